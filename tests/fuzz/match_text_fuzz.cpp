// Patterns come from the command line and names from the system: every
// comparison method must take any bytes, well-formed UTF-8 or not, and finish
// in bounded time. The two plain searches are checked against the standard
// library's search of the characters, and "?" against the count of them.
#include <algorithm>
#include <cstdint>
#include <string>

#include "matching/match_text.h"
#include "matching/regular_expression.h"
#include "matching/wildcard.h"
#include "os/fake/fake_os.h"
#include "support/utf8.h"

namespace {

// Whether every character is a well-formed sequence: a byte outside one is
// counted as U+DC00 plus its value, which no well-formed text holds.
bool WellFormed(const std::u32string& characters) {
  return std::none_of(characters.begin(), characters.end(),
                      [](char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; });
}

}  // namespace

// Byte 0: bit 6 ignore case, bits 0-2 the default method (6 and 7 are no
// method). Byte 1: the text's length, at most 255 like a file name. Then the
// text, then the pattern.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const char* bytes = reinterpret_cast<const char*>(data);
  const size_t textLength = std::min<size_t>(data[1], size - 2);
  const std::string text(bytes + 2, textLength);
  const std::string pattern(bytes + 2 + textLength, size - 2 - textLength);
  kvt::FakeOs os;
  const bool ignoreCase = (data[0] & 0x40) != 0;
  const auto method = static_cast<kvt::TCompareMethod>(data[0] & 0x07);
  try {
    kvt::MatchText(os, text, pattern, ignoreCase, method);
  } catch (const kvt::ERegExprError&) {
    // The one error a pattern may raise.
  }
  const std::u32string textCharacters = kvt::Utf8CodePoints(text);
  const std::u32string patternCharacters = kvt::Utf8CodePoints(pattern);
  const bool found = textCharacters.find(patternCharacters) != std::u32string::npos;
  if (kvt::MatchByMethod(os, text, pattern, kvt::cmBoyerMoore, false) != found) __builtin_trap();
  if (kvt::MatchByMethod(os, text, pattern, kvt::cmSubstring, false) !=
      (found && !text.empty() && !pattern.empty()))
    __builtin_trap();
  // UTF-8 synchronises itself: in well-formed text, a search of the bytes
  // finds a well-formed pattern exactly where one of the characters does.
  if (WellFormed(textCharacters) && WellFormed(patternCharacters) &&
      found != (text.find(pattern) != std::string::npos))
    __builtin_trap();
  const std::string anyOneEach(textCharacters.size(), '?');
  if (!kvt::WildcardMatch(text, anyOneEach) || kvt::WildcardMatch(text, anyOneEach + "?"))
    __builtin_trap();
  return 0;
}

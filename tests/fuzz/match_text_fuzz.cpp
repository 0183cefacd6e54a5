// Patterns come from the command line and names from the system: every
// comparison method must take any bytes, well-formed UTF-8 or not, and
// finish in bounded time. The two plain searches are checked
// against the standard library's.
#include <algorithm>
#include <cstdint>
#include <string>

#include "matching/match_text.h"
#include "matching/regular_expression.h"
#include "os/fake/fake_os.h"

// Byte 0: bit 6 ignore case, bits 0-2 the
// default method (6 and 7 are no method). Byte 1: the text's length, at most
// 255 like a file name. Then the text, then the pattern.
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
  const bool found = text.find(pattern) != std::string::npos;
  if (kvt::MatchByMethod(os, text, pattern, kvt::cmBoyerMoore, false) != found) __builtin_trap();
  // A pattern that does not begin with a UTF-8 continuation byte is found on
  // a character boundary wherever it is found.
  const bool startsCharacter = !pattern.empty() && (static_cast<uint8_t>(pattern[0]) & 0xC0) != 0x80;
  if (startsCharacter &&
      kvt::MatchByMethod(os, text, pattern, kvt::cmSubstring, false) !=
          (found && !text.empty() && !pattern.empty()))
    __builtin_trap();
  return 0;
}

// Text read back from an XML document is UTF-8 from outside: decoding must
// take any bytes, and what it gives must encode to well-formed UTF-8 that
// decodes to the same text. Well-formed input must come back unchanged.
// Names are counted and cut in characters: a cut is a prefix holding as many
// characters as were asked for, or all of them.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  const std::u16string decoded = kvt::Utf8ToUtf16(bytes, size);
  const std::string encoded = kvt::Utf16ToUtf8(decoded);
  if (kvt::Utf8ToUtf16(encoded.data(), encoded.size()) != decoded) std::abort();
  if (decoded.find(u'\uFFFD') == std::u16string::npos && encoded != std::string(bytes, size))
    std::abort();
  const std::string text(bytes, size);
  const size_t count = kvt::Utf8CharacterCount(text);
  for (const size_t wanted : {count / 2, count + 1}) {
    const std::string left = kvt::Utf8Left(text, wanted);
    if (text.compare(0, left.size(), left) != 0) std::abort();
    if (kvt::Utf8CharacterCount(left) != std::min(wanted, count)) std::abort();
  }
  return 0;
}

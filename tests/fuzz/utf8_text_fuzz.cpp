// Text read back from an XML document is UTF-8 from outside: decoding must
// take any bytes, and what it gives must encode to well-formed UTF-8 that
// decodes to the same text. Well-formed input must come back unchanged.
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
  return 0;
}

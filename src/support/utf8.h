#pragma once
// UTF-8, the encoding of the program's text, and UTF-16, the platform's.
#include <cstddef>
#include <string>

namespace kvt {

// A surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);
// Data comes from outside: every stretch that is not well-formed UTF-8 (a
// stray byte, a cut sequence, an overlong form, a surrogate, a code point
// above U+10FFFF) becomes one U+FFFD.
std::u16string Utf8ToUtf16(const char* data, size_t size);

}  // namespace kvt

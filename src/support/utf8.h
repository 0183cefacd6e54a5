#pragma once
// UTF-8, the encoding of the program's machine-readable output, and the way
// between it and the ANSI code page, through the platform's UTF-16.
#include <cstddef>
#include <string>

namespace kvt {

class Os;

// A surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);
// Data comes from outside: every stretch that is not well-formed UTF-8 (a
// stray byte, a cut sequence, an overlong form, a surrogate, a code point
// above U+10FFFF) becomes one U+FFFD.
std::u16string Utf8ToUtf16(const char* data, size_t size);

std::string AnsiToUtf8(Os& os, const std::string& text);
// Characters the ANSI code page lacks become what the platform makes of them.
std::string Utf8ToAnsi(Os& os, const std::string& text);

}  // namespace kvt

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

// Characters as the program counts them, in names it matches and columns it
// fills: each well-formed sequence is one, and so is each byte outside one
// (it stands for itself as U+DC00 plus its value, which no well-formed text
// holds), so that any bytes can be counted, cut and compared without loss.
std::u32string Utf8CodePoints(const std::string& text);
size_t Utf8CharacterCount(const std::string& text);
// The first Count characters of Text, all of it when it has fewer.
std::string Utf8Left(const std::string& text, size_t count);
// The characters of Text in the platform's wide form: one wchar_t each where
// it holds a code point, UTF-16 where it holds 16 bits (a character outside
// the Basic Multilingual Plane is a surrogate pair there).
std::wstring Utf8ToWide(const std::string& text);

}  // namespace kvt

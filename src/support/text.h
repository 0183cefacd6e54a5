#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kvt {

// The text of a fixed-size platform buffer: up to its first zero byte, at most Size bytes.
std::string TextUpToZero(const char* buffer, size_t size);

// Copies UTF-8 Text into a platform buffer of Size bytes as the wide calls of
// the seam hand it out: zero-terminated, cut after at most Size - 1 bytes and
// never inside a character. Returns the number of bytes copied.
uint32_t CopyTextToBuffer(const std::string& text, char* buffer, uint32_t size);

// The letters a to z become A to Z; every other byte, letters of other scripts
// included, stays as it is, so the result does not depend on any code page.
std::string AsciiUpperCase(std::string text);
// Equal when AsciiUpperCase makes them equal.
bool SameTextAscii(const std::string& a, const std::string& b);

// Bytes in order, two lower-case hexadecimal digits each.
std::string BytesToHex(const uint8_t* bytes, size_t count);

// Text without leading and trailing characters of code 32 or lower.
std::string TrimControlAndBlanks(const std::string& text);

// UTF-8 Text with no character a terminal obeys: each C0 control as its
// Control Picture (U+2400 plus its code, ESC as U+241B), DEL as U+2421 and
// each C1 control (U+0080 to U+009F) as U+FFFD. One character stays one, so
// a filled column keeps its width.
std::string ControlPictures(const std::string& text);

}  // namespace kvt

#include "support/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kvt {

std::string TextUpToZero(const char* buffer, size_t size) {
  size_t length = 0;
  while (length < size && buffer[length] != '\0') ++length;
  return std::string(buffer, length);
}

uint32_t CopyTextToBuffer(const std::string& text, char* buffer, uint32_t size) {
  if (size == 0) return 0;
  size_t length = std::min<size_t>(text.size(), size - 1);
  // A continuation byte (10xxxxxx) after the cut means it fell inside a character.
  if (length < text.size())
    while (length > 0 && (static_cast<uint8_t>(text[length]) & 0xC0) == 0x80) --length;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<uint32_t>(length);
}

std::string AsciiUpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool SameTextAscii(const std::string& a, const std::string& b) {
  return a.size() == b.size() && AsciiUpperCase(a) == AsciiUpperCase(b);
}

std::string TrimControlAndBlanks(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<uint8_t>(text[first]) <= 32) ++first;
  while (last > first && static_cast<uint8_t>(text[last - 1]) <= 32) --last;
  return text.substr(first, last - first);
}

std::string BytesToHex(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * count);
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

std::string ControlPictures(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto code = static_cast<uint8_t>(text[i]);
    if (code < 0x20) {
      // U+2400 to U+241F in UTF-8: E2 90 80 to E2 90 9F.
      result += "\xE2\x90";
      result += static_cast<char>(0x80 + code);
    } else if (code == 0x7F) {
      result += "\xE2\x90\xA1";
    } else if (code == 0xC2 && i + 1 < text.size() && static_cast<uint8_t>(text[i + 1]) >= 0x80 &&
               static_cast<uint8_t>(text[i + 1]) <= 0x9F) {
      result += "\xEF\xBF\xBD";  // C2 80 to C2 9F are U+0080 to U+009F
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

}  // namespace kvt

#include "support/text.h"

#include <cstdint>

namespace kvt {

std::string TextUpToZero(const char* buffer, size_t size) {
  size_t length = 0;
  while (length < size && buffer[length] != '\0') ++length;
  return std::string(buffer, length);
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

}  // namespace kvt

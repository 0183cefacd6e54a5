#include "support/json.h"

#include <cstdint>

#include "support/utf8.h"

namespace kvt {
namespace {

constexpr const char* kHexDigits = "0123456789ABCDEF";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The grammar of RFC 8259, section 6: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(const std::string& text) {
  size_t i = 0;
  const auto digits = [&text, &i] {
    const size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i > start;
  };
  if (i < text.size() && text[i] == '-') ++i;
  if (i < text.size() && text[i] == '0')
    ++i;
  else if (!digits())
    return false;
  if (i < text.size() && text[i] == '.' && (++i, !digits())) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == text.size();
}

}  // namespace

std::string JsonString(const std::string& text) {
  // The round trip through UTF-16 is the one place that mends ill-formed text.
  const std::string wellFormed = Utf16ToUtf8(Utf8ToUtf16(text.data(), text.size()));
  std::string result = "\"";
  for (const char c : wellFormed) {
    if (c == '"' || c == '\\')
      result += std::string("\\") + c;
    else if (static_cast<uint8_t>(c) < 0x20)
      result += std::string("\\u00") + kHexDigits[(c >> 4) & 0xF] + kHexDigits[c & 0xF];
    else
      result += c;
  }
  return result + '"';
}

std::string JsonNumber(const std::string& text) {
  if (text.empty()) return "null";
  return IsJsonNumber(text) ? text : JsonString(text);
}

}  // namespace kvt

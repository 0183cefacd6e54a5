#include "support/int_conversion.h"

namespace kvt {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool TryStrToInt(const std::string& text, int32_t& value) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;

  if (hex) {
    uint32_t bits = 0;
    for (; i < n; ++i) {
      const int digit = HexDigitValue(text[i]);
      if (digit < 0) return false;
      if (bits > 0x0FFFFFFFu) return false;  // a ninth significant digit
      bits = (bits << 4) | static_cast<uint32_t>(digit);
    }
    const uint32_t result = negative ? 0u - bits : bits;
    value = static_cast<int32_t>(result);
    return true;
  }

  // Accumulate the magnitude; its limit depends on the sign (-2147483648 is valid).
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  uint64_t magnitude = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
    if (magnitude > limit) return false;
  }
  const int64_t signedValue = negative ? -static_cast<int64_t>(magnitude)
                                       : static_cast<int64_t>(magnitude);
  value = static_cast<int32_t>(signedValue);
  return true;
}

bool TryDecimalToUnsigned(const std::string& text, uint64_t limit, uint64_t& value) {
  if (text.empty()) return false;
  uint64_t number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (number > (limit - digit) / 10 || digit > limit) return false;
    number = number * 10 + digit;
  }
  value = number;
  return true;
}

}  // namespace kvt

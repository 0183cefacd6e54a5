#pragma once
#include <cstdint>
#include <string>

namespace kvt {

// Reads Text as a signed 32-bit integer: optional leading blanks, an optional
// sign, then decimal digits or hexadecimal digits after "$", "x", "X", "0x" or
// "0X", and nothing after the digits. Hexadecimal keeps the bit pattern of at
// most eight significant digits ("$FFFFFFFF" is -1). False when Text is no
// such number; Value is then untouched.
bool TryStrToInt(const std::string& text, int32_t& value);

// Reads Text as an unsigned decimal number no greater than Limit: digits and
// nothing else, at least one. False otherwise; Value is then untouched.
bool TryDecimalToUnsigned(const std::string& text, uint64_t limit, uint64_t& value);

}  // namespace kvt

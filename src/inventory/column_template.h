#pragma once
#include <cstdint>
#include <string>

namespace kvt {

// A column template is a line with placeholders "<$KEY:width>" (width a
// non-zero integer or "*"). Each call replaces the first placeholder of one key.
// A text column's width counts characters: its value is cut after that many,
// never inside one, and padded with blanks up to it.
std::string FillTextColumn(const std::string& line, const std::string& key,
                           const std::string& value);
// Hex: exactly 8 upper-case digits for a value that fits in 32 bits, 16 for a
// larger one (an address or handle of the 64-bit program), whatever the width.
std::string FillNumberColumn(const std::string& line, const std::string& key, uint64_t value,
                             bool hex);

// Value as a hexadecimal column shows it.
std::string HexDigits(uint64_t value);

}  // namespace kvt

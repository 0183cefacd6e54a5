#pragma once
#include <cstdint>
#include <string>

namespace kvt {

// A column template is a line with placeholders "<$KEY:width>" (width a
// non-zero integer or "*"). Each call replaces the first placeholder of one key.
std::string FillTextColumn(const std::string& line, const std::string& key,
                           const std::string& value);
std::string FillNumberColumn(const std::string& line, const std::string& key, uint32_t value,
                             bool hex);

// Value as a hexadecimal column shows it.
std::string HexDigits(uint32_t value);

}  // namespace kvt

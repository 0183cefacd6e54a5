#pragma once
#include <string>

namespace kvt {

// printf-style formatting into a std::string; the program's texts use only %d,
// %u and %s and their widths.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kvt

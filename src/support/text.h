#pragma once
#include <cstddef>
#include <string>

namespace kvt {

// The text of a fixed-size platform buffer: up to its first zero byte, at most Size bytes.
std::string TextUpToZero(const char* buffer, size_t size);

}  // namespace kvt

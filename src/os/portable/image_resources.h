#pragma once
// Finds the version resource in the bytes of an executable file: a PE image
// (32- or 64-bit) or a 16-bit NE image, the way the platform's version calls
// find it.
#include <cstddef>
#include <cstdint>

namespace kvt {

// True and the resource's place in File when the file carries a version
// resource; false for anything else, truncated or malformed files included.
bool FindVersionResource(const uint8_t* file, size_t size, size_t& offset, size_t& length);

}  // namespace kvt

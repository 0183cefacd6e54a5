#pragma once
// The headers at the start of an executable file: the DOS stub's pointer to
// the new header, and the machine a PE image is built for.
#include <cstddef>
#include <cstdint>

namespace kvt {

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0", where the new header starts
constexpr uint16_t kImageFileMachineI386 = 0x014C;
constexpr uint16_t kImageFileMachineAmd64 = 0x8664;

// True and the file offset of the new header (PE, NE, ...) when File starts
// with a DOS header; false for anything else, a truncated header included.
bool FindNewHeader(const uint8_t* file, size_t size, uint32_t& offset);

// The machine field of a PE image's file header; 0 when File is no PE image
// or ends before the field.
uint16_t ImageMachine(const uint8_t* file, size_t size);

}  // namespace kvt

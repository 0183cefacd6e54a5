#pragma once
// Little-endian stores for the replies the fake builds.
#include <cstdint>

#include "os/layouts/reply_field.h"

namespace kvt {

inline void PutU16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutU32(uint8_t* at, uint32_t value) {
  PutU16(at, value & 0xFFFF);
  PutU16(at + 2, value >> 16);
}

inline void PutU64(uint8_t* at, uint64_t value) {
  PutU32(at, static_cast<uint32_t>(value));
  PutU32(at + 4, static_cast<uint32_t>(value >> 32));
}

// A pointer-sized field of the program's width.
inline void PutPointer(uint8_t* at, uint64_t value, uint32_t pointerSize) {
  if (pointerSize == 8)
    PutU64(at, value);
  else
    PutU32(at, static_cast<uint32_t>(value));
}

// A field of a layout (os/layouts/), cut to its width.
inline void PutField(uint8_t* entry, TReplyField field, uint64_t value) {
  for (uint8_t i = 0; i < field.Width; ++i) entry[field.Offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace kvt

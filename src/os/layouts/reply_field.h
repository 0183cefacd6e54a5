#pragma once
// Fields of the native interface's replies, little-endian, read at an offset
// and width that a layout record states. The layouts under os/layouts/ are
// declared once for the readers in native/ and the replies FakeOs builds, and
// os/win32/win32_layouts.cpp checks them against the platform's headers.
#include <cstdint>

namespace kvt {

// Where an entry keeps one field: its offset and width in bytes (1, 2, 4 or 8).
struct TReplyField {
  uint8_t Offset;
  uint8_t Width;
};

inline uint64_t UnsignedAt(const uint8_t* at, uint8_t width) {
  uint64_t value = 0;
  for (uint8_t i = width; i > 0; --i) value = value << 8 | at[i - 1];
  return value;
}

// Field of the entry at Entry, which the caller has checked lies inside the reply.
inline uint64_t FieldAt(const uint8_t* entry, TReplyField field) {
  return UnsignedAt(entry + field.Offset, field.Width);
}

}  // namespace kvt

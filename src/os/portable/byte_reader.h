#pragma once
// Little-endian reads from a buffer of outside bytes. Offsets are 64-bit so
// that no sum of two 32-bit fields can wrap; every read checks the end.
#include <cstddef>
#include <cstdint>

namespace kvt {

class TByteReader {
 public:
  TByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint64_t Size() const { return size_; }
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  bool U8(uint64_t offset, uint8_t& value) const {
    if (!Has(offset, 1)) return false;
    value = data_[offset];
    return true;
  }
  bool U16(uint64_t offset, uint16_t& value) const {
    if (!Has(offset, 2)) return false;
    value = static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8);
    return true;
  }
  bool U32(uint64_t offset, uint32_t& value) const {
    uint16_t low = 0, high = 0;
    if (!U16(offset, low) || !U16(offset + 2, high)) return false;
    value = static_cast<uint32_t>(low) | static_cast<uint32_t>(high) << 16;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace kvt

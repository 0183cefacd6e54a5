#pragma once
// The input side shared by the digests that work on 64-byte blocks (MD5,
// SHA-256): pieces of any size are gathered into whole blocks, and the end is
// padded with 0x80, zeros and the message length in bits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kvt {

class TBlockFeed {
 public:
  // Hands every whole block to Blocks(const uint8_t* data, size_t count); the
  // bytes of a block begun here wait for the next piece.
  template <typename TBlocks>
  void Update(const void* data, size_t length, TBlocks&& blocks) {
    const auto* p = static_cast<const uint8_t*>(data);
    size_t used = static_cast<size_t>(length_ % 64);
    length_ += length;
    if (used > 0) {
      const size_t take = std::min(length, 64 - used);
      std::memcpy(pending_ + used, p, take);
      p += take;
      length -= take;
      used += take;
      if (used < 64) return;
      blocks(pending_, 1);
    }
    if (length >= 64) blocks(p, length / 64);
    std::memcpy(pending_, p + (length & ~size_t{63}), length % 64);
  }

  // Pads the message and feeds the last block or two. The bit count goes in
  // the last eight bytes, most significant byte first where BigEndian is set.
  template <typename TBlocks>
  void Finish(bool bigEndian, TBlocks&& blocks) {
    const uint64_t bits = length_ * 8;
    uint8_t tail[72] = {0x80};
    const size_t used = static_cast<size_t>(length_ % 64);
    const size_t padding = used < 56 ? 56 - used : 120 - used;
    for (int i = 0; i < 8; ++i)
      tail[padding + (bigEndian ? 7 - i : i)] = static_cast<uint8_t>(bits >> (8 * i));
    Update(tail, padding + 8, blocks);
  }

 private:
  uint64_t length_ = 0;  // bytes fed so far
  uint8_t pending_[64] = {};
};

}  // namespace kvt

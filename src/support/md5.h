#pragma once
// MD5 message digest (RFC 1321), fed in pieces of any size.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/block_feed.h"
#include "support/text.h"

namespace kvt {

class TMD5 {
 public:
  using TDigest = std::array<uint8_t, 16>;

  TMD5();
  void Update(const void* data, size_t length);
  // Pads, appends the bit count and returns the digest; the object is spent.
  TDigest Final();

 private:
  void Blocks(const uint8_t* data, size_t count);

  uint32_t state_[4];
  TBlockFeed feed_;
};

// The 16 digest bytes in order, two lower-case hexadecimal digits each.
inline std::string DigestToHex(const TMD5::TDigest& digest) {
  return BytesToHex(digest.data(), digest.size());
}

}  // namespace kvt

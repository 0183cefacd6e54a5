#pragma once
// SHA-256 message digest (FIPS 180-4), fed in pieces of any size. The blocks
// are hashed with the processor's SHA instructions where it has them, told at
// run time, and with portable code elsewhere; both give the same digest.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/block_feed.h"
#include "support/text.h"

namespace kvt {

// Hashes Count blocks of 64 bytes into State.
using TSHA256Blocks = void (*)(uint32_t* state, const uint8_t* data, size_t count);
// The round constants, shared by both engines.
extern const uint32_t kSHA256RoundConstants[64];
// The instruction engine, or null where the processor or the build lacks the
// instructions (sha256_x86.cpp).
TSHA256Blocks SHA256InstructionBlocks();

class TSHA256 {
 public:
  using TDigest = std::array<uint8_t, 32>;
  enum class TEngine { Portable, Instructions };

  // The fastest engine this processor runs.
  TSHA256();
  // Engine as asked, where the processor has it; the portable one otherwise.
  explicit TSHA256(TEngine engine);
  static bool InstructionsAvailable();

  void Update(const void* data, size_t length);
  // Pads, appends the bit count and returns the digest; the object is spent.
  TDigest Final();

 private:
  TSHA256Blocks blocks_;
  uint32_t state_[8];
  TBlockFeed feed_;
};

// The 32 digest bytes in order, two lower-case hexadecimal digits each.
inline std::string DigestToHex(const TSHA256::TDigest& digest) {
  return BytesToHex(digest.data(), digest.size());
}

}  // namespace kvt

#include "support/sha256.h"

#include <cstring>

namespace kvt {
namespace {

inline uint32_t Rotr(uint32_t x, int s) { return (x >> s) | (x << (32 - s)); }

inline uint32_t BigEndianWord(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void PortableBlocks(uint32_t* state, const uint8_t* p, size_t count) {
  const uint32_t* k = kSHA256RoundConstants;
  for (; count > 0; --count, p += 64) {
    // The message schedule is kept as a ring of 16 words.
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = BigEndianWord(p + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    // Unrolled whole, the eight working variables rotate by renaming, not copying.
#pragma GCC unroll 64
    for (int i = 0; i < 64; ++i) {
      if (i >= 16) {
        const uint32_t w15 = w[(i - 15) & 15], w2 = w[(i - 2) & 15];
        const uint32_t s0 = Rotr(w15, 7) ^ Rotr(w15, 18) ^ (w15 >> 3);
        const uint32_t s1 = Rotr(w2, 17) ^ Rotr(w2, 19) ^ (w2 >> 10);
        w[i & 15] += s0 + w[(i - 7) & 15] + s1;
      }
      const uint32_t t1 =
          h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + (g ^ (e & (f ^ g))) + k[i] + w[i & 15];
      const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) | (c & (a | b)));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

}  // namespace

const uint32_t kSHA256RoundConstants[64] = {
    0x428A2F98u, 0x71374491u, 0xB5C0FBCFu, 0xE9B5DBA5u, 0x3956C25Bu, 0x59F111F1u, 0x923F82A4u,
    0xAB1C5ED5u, 0xD807AA98u, 0x12835B01u, 0x243185BEu, 0x550C7DC3u, 0x72BE5D74u, 0x80DEB1FEu,
    0x9BDC06A7u, 0xC19BF174u, 0xE49B69C1u, 0xEFBE4786u, 0x0FC19DC6u, 0x240CA1CCu, 0x2DE92C6Fu,
    0x4A7484AAu, 0x5CB0A9DCu, 0x76F988DAu, 0x983E5152u, 0xA831C66Du, 0xB00327C8u, 0xBF597FC7u,
    0xC6E00BF3u, 0xD5A79147u, 0x06CA6351u, 0x14292967u, 0x27B70A85u, 0x2E1B2138u, 0x4D2C6DFCu,
    0x53380D13u, 0x650A7354u, 0x766A0ABBu, 0x81C2C92Eu, 0x92722C85u, 0xA2BFE8A1u, 0xA81A664Bu,
    0xC24B8B70u, 0xC76C51A3u, 0xD192E819u, 0xD6990624u, 0xF40E3585u, 0x106AA070u, 0x19A4C116u,
    0x1E376C08u, 0x2748774Cu, 0x34B0BCB5u, 0x391C0CB3u, 0x4ED8AA4Au, 0x5B9CCA4Fu, 0x682E6FF3u,
    0x748F82EEu, 0x78A5636Fu, 0x84C87814u, 0x8CC70208u, 0x90BEFFFAu, 0xA4506CEBu, 0xBEF9A3F7u,
    0xC67178F2u,
};

TSHA256::TSHA256() : TSHA256(TEngine::Instructions) {}

TSHA256::TSHA256(TEngine engine)
    : blocks_(PortableBlocks),
      state_{0x6A09E667u, 0xBB67AE85u, 0x3C6EF372u, 0xA54FF53Au,
             0x510E527Fu, 0x9B05688Cu, 0x1F83D9ABu, 0x5BE0CD19u} {
  const TSHA256Blocks instructions = SHA256InstructionBlocks();
  if (engine == TEngine::Instructions && instructions != nullptr) blocks_ = instructions;
}

bool TSHA256::InstructionsAvailable() { return SHA256InstructionBlocks() != nullptr; }

void TSHA256::Update(const void* data, size_t length) {
  feed_.Update(data, length, [this](const uint8_t* p, size_t count) { blocks_(state_, p, count); });
}

TSHA256::TDigest TSHA256::Final() {
  feed_.Finish(true, [this](const uint8_t* p, size_t count) { blocks_(state_, p, count); });
  TDigest digest;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (24 - 8 * j));
  return digest;
}

}  // namespace kvt

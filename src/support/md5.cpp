#include "support/md5.h"

#include <cstring>

namespace kvt {
namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "message words are loaded as native little-endian integers");

inline uint32_t Rotl(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

inline uint32_t Word(const uint8_t* p, int i) {
  uint32_t w;
  std::memcpy(&w, p + 4 * i, sizeof w);
  return w;
}

// The four rounds. Each is written in the form with the shortest dependency
// chain on the previous step's result (b), which is what bounds MD5's speed.
inline void F(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a += x + t + (d ^ (b & (c ^ d)));
  a = Rotl(a, s) + b;
}
inline void G(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a += x + t + (c & ~d);
  a += b & d;
  a = Rotl(a, s) + b;
}
inline void H(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a += x + t + (b ^ c ^ d);
  a = Rotl(a, s) + b;
}
inline void I(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a += x + t + (c ^ (b | ~d));
  a = Rotl(a, s) + b;
}

}  // namespace

TMD5::TMD5() : state_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u} {}

void TMD5::Blocks(const uint8_t* p, size_t count) {
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (; count > 0; --count, p += 64) {
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
    const uint32_t x0 = Word(p, 0), x1 = Word(p, 1), x2 = Word(p, 2), x3 = Word(p, 3);
    const uint32_t x4 = Word(p, 4), x5 = Word(p, 5), x6 = Word(p, 6), x7 = Word(p, 7);
    const uint32_t x8 = Word(p, 8), x9 = Word(p, 9), x10 = Word(p, 10), x11 = Word(p, 11);
    const uint32_t x12 = Word(p, 12), x13 = Word(p, 13), x14 = Word(p, 14), x15 = Word(p, 15);

    F(a, b, c, d, x0, 7, 0xD76AA478u);   F(d, a, b, c, x1, 12, 0xE8C7B756u);
    F(c, d, a, b, x2, 17, 0x242070DBu);  F(b, c, d, a, x3, 22, 0xC1BDCEEEu);
    F(a, b, c, d, x4, 7, 0xF57C0FAFu);   F(d, a, b, c, x5, 12, 0x4787C62Au);
    F(c, d, a, b, x6, 17, 0xA8304613u);  F(b, c, d, a, x7, 22, 0xFD469501u);
    F(a, b, c, d, x8, 7, 0x698098D8u);   F(d, a, b, c, x9, 12, 0x8B44F7AFu);
    F(c, d, a, b, x10, 17, 0xFFFF5BB1u); F(b, c, d, a, x11, 22, 0x895CD7BEu);
    F(a, b, c, d, x12, 7, 0x6B901122u);  F(d, a, b, c, x13, 12, 0xFD987193u);
    F(c, d, a, b, x14, 17, 0xA679438Eu); F(b, c, d, a, x15, 22, 0x49B40821u);

    G(a, b, c, d, x1, 5, 0xF61E2562u);   G(d, a, b, c, x6, 9, 0xC040B340u);
    G(c, d, a, b, x11, 14, 0x265E5A51u); G(b, c, d, a, x0, 20, 0xE9B6C7AAu);
    G(a, b, c, d, x5, 5, 0xD62F105Du);   G(d, a, b, c, x10, 9, 0x02441453u);
    G(c, d, a, b, x15, 14, 0xD8A1E681u); G(b, c, d, a, x4, 20, 0xE7D3FBC8u);
    G(a, b, c, d, x9, 5, 0x21E1CDE6u);   G(d, a, b, c, x14, 9, 0xC33707D6u);
    G(c, d, a, b, x3, 14, 0xF4D50D87u);  G(b, c, d, a, x8, 20, 0x455A14EDu);
    G(a, b, c, d, x13, 5, 0xA9E3E905u);  G(d, a, b, c, x2, 9, 0xFCEFA3F8u);
    G(c, d, a, b, x7, 14, 0x676F02D9u);  G(b, c, d, a, x12, 20, 0x8D2A4C8Au);

    H(a, b, c, d, x5, 4, 0xFFFA3942u);   H(d, a, b, c, x8, 11, 0x8771F681u);
    H(c, d, a, b, x11, 16, 0x6D9D6122u); H(b, c, d, a, x14, 23, 0xFDE5380Cu);
    H(a, b, c, d, x1, 4, 0xA4BEEA44u);   H(d, a, b, c, x4, 11, 0x4BDECFA9u);
    H(c, d, a, b, x7, 16, 0xF6BB4B60u);  H(b, c, d, a, x10, 23, 0xBEBFBC70u);
    H(a, b, c, d, x13, 4, 0x289B7EC6u);  H(d, a, b, c, x0, 11, 0xEAA127FAu);
    H(c, d, a, b, x3, 16, 0xD4EF3085u);  H(b, c, d, a, x6, 23, 0x04881D05u);
    H(a, b, c, d, x9, 4, 0xD9D4D039u);   H(d, a, b, c, x12, 11, 0xE6DB99E5u);
    H(c, d, a, b, x15, 16, 0x1FA27CF8u); H(b, c, d, a, x2, 23, 0xC4AC5665u);

    I(a, b, c, d, x0, 6, 0xF4292244u);   I(d, a, b, c, x7, 10, 0x432AFF97u);
    I(c, d, a, b, x14, 15, 0xAB9423A7u); I(b, c, d, a, x5, 21, 0xFC93A039u);
    I(a, b, c, d, x12, 6, 0x655B59C3u);  I(d, a, b, c, x3, 10, 0x8F0CCC92u);
    I(c, d, a, b, x10, 15, 0xFFEFF47Du); I(b, c, d, a, x1, 21, 0x85845DD1u);
    I(a, b, c, d, x8, 6, 0x6FA87E4Fu);   I(d, a, b, c, x15, 10, 0xFE2CE6E0u);
    I(c, d, a, b, x6, 15, 0xA3014314u);  I(b, c, d, a, x13, 21, 0x4E0811A1u);
    I(a, b, c, d, x4, 6, 0xF7537E82u);   I(d, a, b, c, x11, 10, 0xBD3AF235u);
    I(c, d, a, b, x2, 15, 0x2AD7D2BBu);  I(b, c, d, a, x9, 21, 0xEB86D391u);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  state_[0] = a;
  state_[1] = b;
  state_[2] = c;
  state_[3] = d;
}

void TMD5::Update(const void* data, size_t length) {
  feed_.Update(data, length, [this](const uint8_t* p, size_t count) { Blocks(p, count); });
}

TMD5::TDigest TMD5::Final() {
  feed_.Finish(false, [this](const uint8_t* p, size_t count) { Blocks(p, count); });
  TDigest digest;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (8 * j));
  return digest;
}

}  // namespace kvt

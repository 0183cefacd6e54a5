// The SHA-256 blocks on the processor's SHA extensions. Compiled for every
// x86 build; the functions carry their own target, so the program still runs
// on a processor without the instructions and only uses them after asking.
#include "support/sha256.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace kvt {

#if defined(__i386__) || defined(__x86_64__)
namespace {

// Four rounds per step over the message quads W0..W3 (a ring: quad I is
// W[I % 4]). The state is held as ABEF and CDGH, the order the round
// instruction takes.
__attribute__((target("sha,sse4.1"))) void InstructionBlocks(uint32_t* state,
                                                             const uint8_t* data, size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0C0D0E0F08090A0Bll, 0x0405060700010203ll);
  __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

  for (; count > 0; --count, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i w[4];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
      if (i < 4)
        w[i] = _mm_shuffle_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
      __m128i message = _mm_add_epi32(
          w[i % 4], _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSHA256RoundConstants + 4 * i)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      if (i >= 3 && i <= 14) {
        // Schedule quad I + 1 from the three quads before it.
        __m128i& next = w[(i + 1) % 4];
        next = _mm_add_epi32(next, _mm_alignr_epi8(w[i % 4], w[(i + 3) % 4], 4));
        next = _mm_sha256msg2_epu32(next, w[i % 4]);
      }
      message = _mm_shuffle_epi32(message, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
      if (i >= 1 && i <= 12) w[(i + 3) % 4] = _mm_sha256msg1_epu32(w[(i + 3) % 4], w[i % 4]);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }

  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  dcba = _mm_blend_epi16(feba, dchg, 0xF0);
  hgfe = _mm_alignr_epi8(dchg, feba, 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), dcba);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), hgfe);
}

bool ProcessorHasInstructions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0) return false;
  const bool ssse3 = (c & bit_SSSE3) != 0, sse41 = (c & bit_SSE4_1) != 0;
  if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) return false;
  return ssse3 && sse41 && (b & bit_SHA) != 0;
}

}  // namespace

TSHA256Blocks SHA256InstructionBlocks() {
  static const TSHA256Blocks blocks = ProcessorHasInstructions() ? InstructionBlocks : nullptr;
  return blocks;
}

#else

TSHA256Blocks SHA256InstructionBlocks() { return nullptr; }

#endif

}  // namespace kvt

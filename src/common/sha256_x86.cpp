// The SHA-256 rounds with the x86 SHA extensions, taken where the processor has them; compiled
// with -msha -msse4.1, and only called after the check below.
#include <cpuid.h>
#include <immintrin.h>

#include "common/sha256_rounds.hpp"

namespace quorvel {

// Asked of CPUID itself: not every compiler's __builtin_cpu_supports knows "sha".
bool HasShaExtensions() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0 || (ecx & bit_SSE4_1) == 0 || (ecx & bit_SSSE3) == 0) return false;
  return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) != 0 && (ebx & bit_SHA) != 0;
}

void CompressWithShaExtensions(std::array<std::uint32_t, 8>& state, const unsigned char* blocks, std::size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  // The instructions keep the state as the words ABEF and CDGH.
  const __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0])), 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4])), 0x1B);
  __m128i abef = _mm_alignr_epi8(dcba, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, dcba, 0xF0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abefBefore = abef;
    const __m128i cdghBefore = cdgh;
    __m128i words[4];  // the message schedule, four words at a time, in a ring
    for (std::size_t quad = 0; quad < 16; ++quad) {
      __m128i& current = words[quad % 4];
      if (quad < 4) {
        current = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * quad)), byteSwap);
      } else {
        const __m128i& previous = words[(quad + 3) % 4];
        const __m128i sevenBack = _mm_alignr_epi8(previous, words[(quad + 2) % 4], 4);
        current = _mm_sha256msg2_epu32(
            _mm_add_epi32(_mm_sha256msg1_epu32(current, words[(quad + 1) % 4]), sevenBack), previous);
      }
      __m128i message = _mm_add_epi32(
          current, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kSha256RoundConstants[4 * quad])));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      message = _mm_shuffle_epi32(message, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(dchg, feba, 8));
}

}  // namespace quorvel

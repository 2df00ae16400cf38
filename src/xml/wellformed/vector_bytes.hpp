// The special bytes of byte_classes.hpp found 16 at a time with SSE2 or 32 with AVX2, and the
// bytes that matter inside plain markup classified 64 at a time for the markup pass's fast path
// (markup_scanner.hpp). Each file that includes this compiles its own copy (nothing here has
// external linkage), so the AVX2 code never stands in for the SSE2 code.
#pragma once

#include <bit>
#include <cstdint>

#include "xml/wellformed/byte_classes.hpp"

#if defined(__SSE2__)
#include <immintrin.h>

namespace quorvel::xml {
namespace {

// The instructions of one width, on vectors of bytes and masks of them (all ones where true);
// Less compares signed.
struct Sse2 {
  using Vector = __m128i;
  static constexpr int kLanes = 16;
  static Vector Load(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
  static Vector Splat(char byte) { return _mm_set1_epi8(byte); }
  static Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
  static Vector Equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
  static Vector Less(Vector a, Vector b) { return _mm_cmplt_epi8(a, b); }
  static std::uint64_t Bits(Vector mask) { return static_cast<std::uint32_t>(_mm_movemask_epi8(mask)); }
};

#if defined(__AVX2__)
struct Avx2 {
  using Vector = __m256i;
  static constexpr int kLanes = 32;
  static Vector Load(const char* at) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)); }
  static Vector Splat(char byte) { return _mm256_set1_epi8(byte); }
  static Vector Or(Vector a, Vector b) { return _mm256_or_si256(a, b); }
  static Vector Equal(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
  static Vector Less(Vector a, Vector b) { return _mm256_cmpgt_epi8(b, a); }
  static std::uint64_t Bits(Vector mask) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(mask)); }
};
#endif

// The bytes of a 64-byte block the fast path over plain markup looks at, one bit per byte.
struct PlainBlockBytes {
  std::uint64_t quote;  // "
  std::uint64_t angle;  // < and >
  std::uint64_t other;  // & ' and every byte that is not printable ASCII
};

// The byte search with the instructions of one width, W.
template <typename W>
struct VectorBytes {
  static constexpr bool kVectors = true;
  static constexpr int kPlainBlock = 64;
  static constexpr int kLanes = W::kLanes;

  using Vector = typename W::Vector;

  // & (0x26) and ' (0x27) differ in their lowest bit only, < (0x3C) and > (0x3E) in the next one.
  static Vector AmpersandOrApostrophe(Vector bytes) { return W::Equal(W::Or(bytes, W::Splat(1)), W::Splat('\'')); }
  static Vector Angle(Vector bytes) { return W::Equal(W::Or(bytes, W::Splat(2)), W::Splat('>')); }
  static Vector Quote(Vector bytes) { return W::Equal(bytes, W::Splat('"')); }
  // Not printable ASCII: compared signed, the bytes from 0x80 on are below ' ' too.
  static Vector Unprintable(Vector bytes) { return W::Less(bytes, W::Splat(' ')); }

  // The first special byte in [from, end), or `end`; blanks may be taken for special ones.
  static const char* NextSpecial(const char* from, const char* end) {
    for (; end - from >= kLanes; from += kLanes) {
      const Vector bytes = W::Load(from);
      const std::uint64_t special =
          W::Bits(W::Or(W::Or(AmpersandOrApostrophe(bytes), Angle(bytes)), W::Or(Quote(bytes), Unprintable(bytes))));
      if (special != 0) return from + std::countr_zero(special);
    }
    return PortableBytes::NextSpecial(from, end);
  }

  static PlainBlockBytes ClassifyPlainBlock(const char* block) {
    PlainBlockBytes classes{0, 0, 0};
    for (int part = 0; part < kPlainBlock / kLanes; ++part) {
      const Vector bytes = W::Load(block + kLanes * part);
      const int shift = kLanes * part;
      classes.quote |= W::Bits(Quote(bytes)) << shift;
      classes.angle |= W::Bits(Angle(bytes)) << shift;
      classes.other |= W::Bits(W::Or(AmpersandOrApostrophe(bytes), Unprintable(bytes))) << shift;
    }
    return classes;
  }

  // Bit n set when an odd number of the bits 0..n of `bits` are set: with the quotes of a block,
  // the bytes from an opening quote up to its closing one.
  static std::uint64_t PrefixParity(std::uint64_t bits) {
#if defined(__PCLMUL__)
    // Multiplying without carries by all ones is the same running exclusive or.
    const __m128i product = _mm_clmulepi64_si128(_mm_set_epi64x(0, static_cast<long long>(bits)), _mm_set1_epi8(-1), 0);
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(product));
#else
    bits ^= bits << 1;
    bits ^= bits << 2;
    bits ^= bits << 4;
    bits ^= bits << 8;
    bits ^= bits << 16;
    return bits ^ (bits << 32);
#endif
  }
};

}  // namespace
}  // namespace quorvel::xml
#endif

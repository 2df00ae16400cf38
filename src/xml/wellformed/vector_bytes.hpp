// The special bytes of byte_classes.hpp found 16 or 32 at a time with SSE2 or AVX2, as bit masks,
// and the bytes that matter inside plain markup classified 64 at a time, for the markup pass's
// fast path (markup_scanner.hpp). Each file that includes this compiles its own copy (nothing
// here has external linkage), so the AVX2 one never stands in for the SSE2 one.
#pragma once

#include <cstdint>

#include "xml/wellformed/byte_classes.hpp"

#if defined(__SSE2__)
#include <immintrin.h>

namespace quorvel::xml {
namespace {

// The bytes of a 64-byte block the fast path over plain markup looks at, one bit per byte.
struct PlainBlockBytes {
  std::uint64_t quote;  // "
  std::uint64_t angle;  // < and >
  std::uint64_t other;  // & ' and every byte that is not printable ASCII
};

// One vector of `Lanes` bytes (16 or 32) at a time.
template <int Lanes>
struct VectorBytes {
  static constexpr bool kVectors = true;
  static constexpr int kPlainBlock = 64;

#if !defined(__AVX2__)
  static_assert(Lanes == 16, "AVX2 is not enabled for this file");
#endif

  // The operations on a vector (__m128i or __m256i), by its width.
  static auto Load(const char* at) {
    if constexpr (Lanes == 16) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
#if defined(__AVX2__)
    else return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
#endif
  }
  static std::uint64_t Bits(auto mask) {
    if constexpr (Lanes == 16) return static_cast<std::uint32_t>(_mm_movemask_epi8(mask));
#if defined(__AVX2__)
    else return static_cast<std::uint32_t>(_mm256_movemask_epi8(mask));
#endif
  }
  // Bytes equal to `byte` or, when it differs from `byte` in the bits `ignored` only, to that.
  static std::uint64_t Equal(auto bytes, char byte, char ignored = 0) {
    if constexpr (Lanes == 16) return Bits(_mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(ignored)), _mm_set1_epi8(byte)));
#if defined(__AVX2__)
    else return Bits(_mm256_cmpeq_epi8(_mm256_or_si256(bytes, _mm256_set1_epi8(ignored)), _mm256_set1_epi8(byte)));
#endif
  }
  // Bytes that are not printable ASCII: signed, the bytes from 0x80 on are below ' ' too.
  static std::uint64_t Unprintable(auto bytes) {
    if constexpr (Lanes == 16) return Bits(_mm_cmplt_epi8(bytes, _mm_set1_epi8(' ')));
#if defined(__AVX2__)
    else return Bits(_mm256_cmpgt_epi8(_mm256_set1_epi8(' '), bytes));
#endif
  }

  // & (0x26) and ' (0x27) differ in their lowest bit only, < (0x3C) and > (0x3E) in the next one.
  static std::uint64_t AmpersandOrApostrophe(auto bytes) { return Equal(bytes, '\'', 1); }
  static std::uint64_t Angle(auto bytes) { return Equal(bytes, '>', 2); }

  // Bit n set when byte n of the 32 from `block` (fewer where `end` comes first) is special;
  // blanks may be set too.
  static std::uint32_t SpecialBytes(const char* block, const char* end) {
    if (end - block < 32) {
      std::uint32_t bits = 0;
      for (std::ptrdiff_t i = 0; block + i < end; ++i) bits |= std::uint32_t{IsSpecialByte(block[i])} << i;
      return bits;
    }
    std::uint64_t bits = 0;
    for (int part = 0; part < 32 / Lanes; ++part) {
      const auto bytes = Load(block + Lanes * part);
      bits |= (AmpersandOrApostrophe(bytes) | Angle(bytes) | Equal(bytes, '"') | Unprintable(bytes)) << (Lanes * part);
    }
    return static_cast<std::uint32_t>(bits);
  }

  static PlainBlockBytes ClassifyPlainBlock(const char* block) {
    PlainBlockBytes classes{0, 0, 0};
    for (int part = 0; part < kPlainBlock / Lanes; ++part) {
      const auto bytes = Load(block + Lanes * part);
      const int shift = Lanes * part;
      classes.quote |= Equal(bytes, '"') << shift;
      classes.angle |= Angle(bytes) << shift;
      classes.other |= (AmpersandOrApostrophe(bytes) | Unprintable(bytes)) << shift;
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
    for (int shift = 1; shift < 64; shift *= 2) bits ^= bits << shift;
    return bits;
#endif
  }
};

}  // namespace
}  // namespace quorvel::xml
#endif

// Finding the bytes of interest in a text sixteen at a time where SSE2 is there: the
// well-formedness checks look at every byte of a document, most of which interest nobody.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__AVX2__) || defined(__PCLMUL__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

// The functions differ with the instructions a file is compiled for (markup_scan_avx2.cpp has
// more than the rest), so each set has a namespace of its own: the linker never takes one for
// another.
#if defined(__AVX2__)
#define QUORVEL_BYTE_SEARCH_SET avx2
#elif defined(__SSE2__)
#define QUORVEL_BYTE_SEARCH_SET sse2
#else
#define QUORVEL_BYTE_SEARCH_SET portable
#endif

namespace quorvel::xml {
inline namespace QUORVEL_BYTE_SEARCH_SET {

// The bytes where markup or a check begins: < & > " ' and every byte that is not printable ASCII.
inline bool IsSpecialByte(unsigned char byte) {
  return byte == '<' || byte == '&' || byte == '>' || byte == '"' || byte == '\'' || byte < 0x20 || byte >= 0x80;
}

#if defined(__SSE2__)
// Bit n set when byte n of the sixteen at `block` is special.
inline std::uint32_t SpecialBytes16(const char* block) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
  // & (0x26) and ' (0x27) differ in their lowest bit only, < (0x3C) and > (0x3E) in the next one.
  const __m128i ampersandOrApostrophe = _mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(1)), _mm_set1_epi8('\''));
  const __m128i angle = _mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(2)), _mm_set1_epi8('>'));
  const __m128i quote = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'));
  // Signed: the bytes from 0x80 on are negative, so below ' ' too.
  const __m128i unprintable = _mm_cmplt_epi8(bytes, _mm_set1_epi8(' '));
  return static_cast<std::uint32_t>(
      _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(ampersandOrApostrophe, angle), _mm_or_si128(quote, unprintable))));
}
#endif

#if defined(__AVX2__)
// Bit n set when byte n of the 32 at `block` is special.
inline std::uint32_t SpecialBytes32(const char* block) {
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
  const __m256i ampersandOrApostrophe = _mm256_cmpeq_epi8(_mm256_or_si256(bytes, _mm256_set1_epi8(1)), _mm256_set1_epi8('\''));
  const __m256i angle = _mm256_cmpeq_epi8(_mm256_or_si256(bytes, _mm256_set1_epi8(2)), _mm256_set1_epi8('>'));
  const __m256i quote = _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('"'));
  const __m256i unprintable = _mm256_cmpgt_epi8(_mm256_set1_epi8(' '), bytes);
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(
      _mm256_or_si256(_mm256_or_si256(ampersandOrApostrophe, angle), _mm256_or_si256(quote, unprintable))));
}
#endif

// Bit n set when byte n of the 32 from `block` (fewer where `end` comes first) is special.
inline std::uint32_t SpecialBytes(const char* block, const char* end) {
#if defined(__AVX2__)
  if (end - block >= 32) return SpecialBytes32(block);
#elif defined(__SSE2__)
  if (end - block >= 32) return SpecialBytes16(block) | (SpecialBytes16(block + 16) << 16);
#endif
  std::uint32_t bits = 0;
  for (std::ptrdiff_t i = 0; i < 32 && block + i < end; ++i) {
    bits |= std::uint32_t{IsSpecialByte(static_cast<unsigned char>(block[i]))} << i;
  }
  return bits;
}

// The first byte in [from, end) that is not printable ASCII (a control byte, a byte of a
// multi-byte UTF-8 sequence), or `end`.
inline const char* FindFirstUnprintable(const char* from, const char* end) {
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  for (; end - from >= 16; from += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    // Signed: the bytes from 0x80 on are negative, so below ' ' too.
    if (const int mask = _mm_movemask_epi8(_mm_cmplt_epi8(block, space))) {
      return from + __builtin_ctz(static_cast<unsigned>(mask));
    }
  }
#endif
  for (; from != end; ++from) {
    const auto byte = static_cast<unsigned char>(*from);
    if (byte < 0x20 || byte >= 0x80) return from;
  }
  return end;
}

// The bytes of a 64-byte block the fast path over plain markup (markup_scan.cpp) looks at, one
// bit per byte.
struct PlainBlockBytes {
  std::uint64_t quote;  // "
  std::uint64_t angle;  // < and >
  std::uint64_t other;  // & ' and every byte that is not printable ASCII
};

constexpr int kPlainBlock = 64;

// Whether classifying whole blocks is cheaper than visiting their special bytes one by one.
#if defined(__SSE2__)
constexpr bool kClassifyBlocks = true;
#else
constexpr bool kClassifyBlocks = false;
#endif

inline PlainBlockBytes ClassifyPlainBlock(const char* block) {
  PlainBlockBytes bytes{0, 0, 0};
#if defined(__AVX2__)
  for (int part = 0; part < kPlainBlock / 32; ++part) {
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32 * part));
    const auto bits = [](__m256i mask) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(mask))); };
    const int shift = 32 * part;
    bytes.quote |= bits(_mm256_cmpeq_epi8(b, _mm256_set1_epi8('"'))) << shift;
    bytes.angle |= bits(_mm256_cmpeq_epi8(_mm256_or_si256(b, _mm256_set1_epi8(2)), _mm256_set1_epi8('>'))) << shift;
    const __m256i ampersandOrApostrophe = _mm256_cmpeq_epi8(_mm256_or_si256(b, _mm256_set1_epi8(1)), _mm256_set1_epi8('\''));
    bytes.other |= bits(_mm256_or_si256(ampersandOrApostrophe, _mm256_cmpgt_epi8(_mm256_set1_epi8(' '), b))) << shift;
  }
#elif defined(__SSE2__)
  for (int part = 0; part < kPlainBlock / 16; ++part) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    const auto bits = [](__m128i mask) { return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(mask))); };
    const int shift = 16 * part;
    bytes.quote |= bits(_mm_cmpeq_epi8(b, _mm_set1_epi8('"'))) << shift;
    bytes.angle |= bits(_mm_cmpeq_epi8(_mm_or_si128(b, _mm_set1_epi8(2)), _mm_set1_epi8('>'))) << shift;
    const __m128i ampersandOrApostrophe = _mm_cmpeq_epi8(_mm_or_si128(b, _mm_set1_epi8(1)), _mm_set1_epi8('\''));
    bytes.other |= bits(_mm_or_si128(ampersandOrApostrophe, _mm_cmplt_epi8(b, _mm_set1_epi8(' ')))) << shift;
  }
#else
  for (int i = 0; i < kPlainBlock; ++i) {
    const auto byte = static_cast<unsigned char>(block[i]);
    const std::uint64_t bit = std::uint64_t{1} << i;
    if (byte == '"') bytes.quote |= bit;
    if (byte == '<' || byte == '>') bytes.angle |= bit;
    if (byte == '&' || byte == '\'' || byte < 0x20 || byte >= 0x80) bytes.other |= bit;
  }
#endif
  return bytes;
}

// Bit n set when an odd number of the bits 0..n of `bits` are set: with the quotes of a block,
// the bytes from an opening quote up to its closing one.
inline std::uint64_t PrefixParity(std::uint64_t bits) {
#if defined(__PCLMUL__)
  // Multiplying without carries by all ones is the same running exclusive or.
  const __m128i product = _mm_clmulepi64_si128(_mm_set_epi64x(0, static_cast<long long>(bits)), _mm_set1_epi8(-1), 0);
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(product));
#endif
  bits ^= bits << 1;
  bits ^= bits << 2;
  bits ^= bits << 4;
  bits ^= bits << 8;
  bits ^= bits << 16;
  bits ^= bits << 32;
  return bits;
}

}  // namespace QUORVEL_BYTE_SEARCH_SET
}  // namespace quorvel::xml

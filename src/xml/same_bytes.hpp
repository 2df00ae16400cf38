// Comparing short byte strings of a known length a word at a time: names of elements and
// attributes are compared once per attribute of every row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvel::xml {

template <typename Word>
Word LoadWord(const char* bytes) {
  Word word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// Whether the first and the last word of `a` and `b`, both `length` bytes long, are the same.
template <typename Word>
bool SameWords(const char* a, const char* b, std::size_t length) {
  const std::size_t last = length - sizeof(Word);
  return LoadWord<Word>(a) == LoadWord<Word>(b) && LoadWord<Word>(a + last) == LoadWord<Word>(b + last);
}

// Whether `a` and `b`, both `length` bytes long, are the same bytes: two overlapping word
// compares for the lengths names have, instead of one compare per byte.
[[gnu::always_inline]] inline bool SameBytes(const char* a, const char* b, std::size_t length) {
  if (length > 16) return std::memcmp(a, b, length) == 0;
  if (length >= 8) return SameWords<std::uint64_t>(a, b, length);
  if (length >= 4) return SameWords<std::uint32_t>(a, b, length);
  if (length >= 2) return SameWords<std::uint16_t>(a, b, length);
  return length == 0 || *a == *b;
}

}  // namespace quorvel::xml

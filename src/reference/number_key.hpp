// Keys made of a letter and a number ("K12", "G-5"), written and read back in one place: an index
// by number (NumberIndex) finds what the text key finds only while NumberOfKey reads exactly
// what NumberKey writes.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// `prefix` + the decimal text of `number` (12 gives K12, -5 gives K-5).
std::string NumberKey(char prefix, std::int32_t number);

// The text of NumberKey(prefix, number), kept in place: for keys built to be looked up and dropped.
class NumberKeyText {
 public:
  NumberKeyText(char prefix, std::int32_t number);
  std::string_view view() const { return std::string_view(text_, size_); }

 private:
  char text_[12];  // a prefix, a sign and ten digits
  static_assert(sizeof text_ >= 2 + std::numeric_limits<std::int32_t>::digits10 + 1);
  std::uint8_t size_;
};

// The number of `key` when it is exactly NumberKey(prefix, number) (K12, K-5; not K012, k12 or
// " K12"), else nothing.
std::optional<std::int32_t> NumberOfKey(char prefix, std::string_view key);

}  // namespace quorvel

#include "reference/number_key.hpp"

#include <charconv>

namespace quorvel {

NumberKeyText::NumberKeyText(char prefix, std::int32_t number) : text_{prefix} {
  size_ = static_cast<std::uint8_t>(std::to_chars(text_ + 1, text_ + sizeof text_, number).ptr - text_);
}

std::string NumberKey(char prefix, std::int32_t number) {
  return std::string(NumberKeyText(prefix, number).view());
}

std::optional<std::int32_t> NumberOfKey(char prefix, std::string_view key) {
  if (key.size() < 2 || key[0] != prefix) return std::nullopt;
  const std::string_view digits = key.substr(1);
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  // Canonical text only: what NumberKey writes for the number it read.
  const bool negative = digits[0] == '-';
  const std::string_view magnitude = digits.substr(negative ? 1 : 0);
  if (magnitude.size() > 1 && magnitude[0] == '0') return std::nullopt;
  if (negative && number == 0) return std::nullopt;
  return number;
}

}  // namespace quorvel

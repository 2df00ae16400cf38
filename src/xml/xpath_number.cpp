#include "xml/xpath_number.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/trimming.hpp"

namespace quorvel::xml {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> XPathNumber(std::string_view text) {
  // Whole numbers of up to 15 digits, the usual keys, are exact in a double: no strtod needed.
  constexpr std::size_t kExactDigits = 15;
  const bool negative = !text.empty() && text.front() == '-';
  const std::string_view plain = text.substr(negative ? 1 : 0);
  if (!plain.empty() && plain.size() <= kExactDigits &&
      plain.find_first_not_of("0123456789") == std::string_view::npos) {
    std::int64_t whole = 0;
    for (char c : plain) whole = whole * 10 + (c - '0');
    return static_cast<double>(negative ? -whole : whole);  // -0 comes out as 0
  }
  text = TrimXmlWhitespace(text);
  std::size_t position = text.empty() || text.front() != '-' ? 0 : 1;
  std::size_t digits = 0;
  while (position < text.size() && IsDigit(text[position])) ++position, ++digits;
  if (position < text.size() && text[position] == '.') {
    ++position;
    while (position < text.size() && IsDigit(text[position])) ++position, ++digits;
  }
  if (digits == 0 || position != text.size()) return std::nullopt;
  const double value = std::strtod(std::string(text).c_str(), nullptr);
  return value == 0 ? 0.0 : value;  // -0 and 0 are the same number
}

}  // namespace quorvel::xml

#include "common/number_text.hpp"

#include <cstdint>

namespace quorvel {

void AppendNumberText(std::string& out, Currency value) {
  const std::int64_t units = value.Units();
  const std::uint64_t magnitude =
      units < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
  if (units < 0) out += '-';
  out += std::to_string(magnitude / Currency::kUnitsPerWhole);
  std::uint64_t fraction = magnitude % Currency::kUnitsPerWhole;
  if (fraction == 0) return;
  char digits[4];
  int length = 4;
  for (int i = 3; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  while (digits[length - 1] == '0') --length;
  out += '.';
  out.append(digits, static_cast<std::size_t>(length));
}

std::string NumberText(Currency value) {
  std::string out;
  AppendNumberText(out, value);
  return out;
}

}  // namespace quorvel

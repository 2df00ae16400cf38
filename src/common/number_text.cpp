#include "common/number_text.hpp"

#include <charconv>
#include <cstdint>
#include <iterator>

namespace quorvel {

void AppendNumberText(std::string& out, Currency value) {
  const std::int64_t units = value.Units();
  const std::uint64_t magnitude =
      units < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
  char text[32];  // "-", 15 whole digits, ".", 4 decimals
  char* end = text;
  if (units < 0) *end++ = '-';
  end = std::to_chars(end, std::end(text), magnitude / Currency::kUnitsPerWhole).ptr;
  std::uint64_t fraction = magnitude % Currency::kUnitsPerWhole;
  if (fraction != 0) {
    int decimals = 4;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --decimals;
    }
    *end++ = '.';
    for (int i = decimals - 1; i >= 0; --i, fraction /= 10) end[i] = static_cast<char>('0' + fraction % 10);
    end += decimals;
  }
  out.append(text, end);
}

std::string NumberText(Currency value) {
  std::string out;
  AppendNumberText(out, value);
  return out;
}

}  // namespace quorvel

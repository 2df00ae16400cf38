#include "common/currency.hpp"

#include <limits>
#include <string>

#include "common/error.hpp"
#include "common/number_text.hpp"

namespace quorvel {
namespace {

constexpr __int128 kMinUnits = std::numeric_limits<std::int64_t>::min();
constexpr __int128 kMaxUnits = std::numeric_limits<std::int64_t>::max();

}  // namespace

__int128 DivideRoundHalfEven(__int128 value, __int128 divisor) {
  __int128 quotient = value / divisor;
  const __int128 remainder = value % divisor;
  const __int128 twice = (remainder < 0 ? -remainder : remainder) * 2;
  const bool roundAway = twice > divisor || (twice == divisor && quotient % 2 != 0);
  if (roundAway) quotient += value < 0 ? -1 : 1;
  return quotient;
}

void Currency::RaiseOverflow(const char* operation, Currency a, Currency b) {
  Raise(errors::kOverflow,
        std::string("currency overflow in ") + NumberText(a) + " " + operation + " " + NumberText(b));
}

Currency operator*(Currency a, Currency b) {
  const __int128 product = static_cast<__int128>(a.units_) * b.units_;
  const __int128 units = DivideRoundHalfEven(product, Currency::kUnitsPerWhole);
  if (units < kMinUnits || units > kMaxUnits) Currency::RaiseOverflow("*", a, b);
  return Currency::FromUnits(static_cast<std::int64_t>(units));
}

}  // namespace quorvel

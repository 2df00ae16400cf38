// Currency: a signed 64-bit count of units of 0.0001, with exact, overflow-checked arithmetic.
#pragma once

#include <compare>
#include <cstdint>

namespace quorvel {

class Currency {
 public:
  // Units in one whole currency amount (four decimal places).
  static constexpr std::int64_t kUnitsPerWhole = 10000;

  constexpr Currency() = default;
  // The value of `units` units of 0.0001.
  static constexpr Currency FromUnits(std::int64_t units) { return Currency(units); }

  // The count of units of 0.0001.
  constexpr std::int64_t Units() const { return units_; }
  constexpr bool IsZero() const { return units_ == 0; }
  constexpr bool IsNegative() const { return units_ < 0; }

  friend constexpr auto operator<=>(Currency, Currency) = default;

  // Exact sum, difference and negation; overflow error outside the range. Inline: sums are
  // the inner loop of a calculation.
  friend Currency operator+(Currency a, Currency b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a.units_, b.units_, &sum)) RaiseOverflow("+", a, b);
    return Currency(sum);
  }
  friend Currency operator-(Currency a, Currency b) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(a.units_, b.units_, &difference)) RaiseOverflow("-", a, b);
    return Currency(difference);
  }
  friend Currency operator-(Currency a) { return Currency() - a; }
  Currency& operator+=(Currency other) { return *this = *this + other; }

  // The exact product rounded to the nearest unit, a half unit to even; overflow error outside
  // the range.
  friend Currency operator*(Currency a, Currency b);

 private:
  // Error 6 for `a` `operation` `b`.
  [[noreturn]] static void RaiseOverflow(const char* operation, Currency a, Currency b);
  constexpr explicit Currency(std::int64_t units) : units_(units) {}
  std::int64_t units_ = 0;
};

// Divides `value` by `divisor` (positive), rounding a remainder of exactly half to the even quotient.
__int128 DivideRoundHalfEven(__int128 value, __int128 divisor);

}  // namespace quorvel

// Number texts of currency values as the result rowset writes them: "." always, no exponent,
// trailing zeros dropped, whole values without a point, a 0 before the point between -1 and 1.
#pragma once

#include <string>

#include "common/currency.hpp"

namespace quorvel {

// Appends the number text of `value` to `out` (1.8750 as 1.875, -2 as -2, 0.5 as 0.5).
void AppendNumberText(std::string& out, Currency value);

// The number text of `value`.
std::string NumberText(Currency value);

// Plain number text, as written for NetPrice, QtyShipped and ExtendedPrice.
inline std::string PlainNumberText(Currency value) { return NumberText(value); }

// Regional number text, as written for crTaxRate, ProfilePrice and DiscountAmount. Regional
// settings never change the separator here: it is always ".".
inline std::string RegionalNumberText(Currency value) { return NumberText(value); }

}  // namespace quorvel

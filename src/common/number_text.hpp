// Number texts of currency values as the result rowset writes them: "." always, no exponent,
// trailing zeros dropped, whole values without a point, a 0 before the point between -1 and 1.
// The result's plain and regional number texts are both this text: the regional settings never
// change the separator here.
#pragma once

#include <string>

#include "common/currency.hpp"

namespace quorvel {

// Appends the number text of `value` to `out` (1.8750 as 1.875, -2 as -2, 0.5 as 0.5).
void AppendNumberText(std::string& out, Currency value);

// The number text of `value`.
std::string NumberText(Currency value);

}  // namespace quorvel

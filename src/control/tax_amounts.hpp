// Tax amounts: from a tax line's accumulators to its tax, rounded to cents.
#pragma once

#include "common/currency.hpp"
#include "lines/tax_lines.hpp"

namespace quorvel {

// Sets `taxLine`'s TotalTax. A percentage tax first takes in the taxes of lower sequence already
// computed in `taxLines`; `exemptionFlag` is the flag the accumulation left for the line.
void ComputeTaxAmount(CTaxLine& taxLine, const CTaxLines& taxLines, bool exemptionFlag);

// Rounds to cents with every half cent going up (1.225 to 1.23, -0.375 to -0.37).
Currency CentRounding(Currency value);

// One hundredth of `product`, worked in double precision as the percentage tax has always been:
// units / 10000.0 / 100.0 * 10000.0, rounded half to even to a unit. Overflow error out of range.
Currency HundredthInDouble(Currency product);

}  // namespace quorvel

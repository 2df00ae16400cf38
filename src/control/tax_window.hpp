// The window of a tax: the amounts it falls on. Base accumulation applies it to the net price
// of each item line under a "$" tax, the tax amount stage to the size of a "%" tax's total.
#pragma once

#include "common/currency.hpp"
#include "reference/entities.hpp"

namespace quorvel {

// Whether `amount` is at least the tax's ThreshHold and below its CutOff when CutOff is positive
// (a CutOff of zero sets no upper bound, a negative one admits nothing).
inline bool InsideTaxWindow(Currency amount, const CTax& tax) {
  const bool belowCutOff = tax.CutOff.IsZero() || (tax.CutOff > Currency() && amount < tax.CutOff);
  return amount >= tax.ThreshHold && belowCutOff;
}

}  // namespace quorvel

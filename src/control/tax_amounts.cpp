#include "control/tax_amounts.hpp"

#include <cmath>

#include "common/error.hpp"
#include "common/number_text.hpp"
#include "control/tax_window.hpp"

namespace quorvel {
namespace {

constexpr std::int64_t kUnitsPerCent = 100;

Currency Magnitude(Currency value) { return value.IsNegative() ? -value : value; }

// Carries the taxes of lower sequence into this one. Tax lines carry no tax group, so every carried tax is
// non-taxable for this line; the taxable branches stay for a line that would carry one.
void CarryInLowerSequences(CTaxLine& taxLine, const CTaxLines& taxLines, bool exemptionFlag) {
  const std::string& key = taxLine.KeyTaxID();
  const PreparedKey lookupKey(key);
  const std::int16_t sequence = taxLine.OTax()->Sequence;
  for (const CTaxLine& other : taxLines) {
    if (other.KeyTaxID() == key || !(other.OTax()->Sequence < sequence)) continue;
    const CTaxGroupItems* groupItems = other.OTaxGroupItems();
    const CTaxGroupItem* groupItem = groupItems ? groupItems->Find(lookupKey) : nullptr;
    if (!groupItem || !groupItem->IsTaxable) {
      taxLine.NonTaxableDollars += other.TotalTax;
    } else if (!exemptionFlag) {
      taxLine.TaxableDollars += other.TotalTax;
    } else {
      taxLine.ExemptDollars += other.TotalTax;
    }
  }
}

Currency PercentageTax(CTaxLine& taxLine, const CTaxLines& taxLines, bool exemptionFlag) {
  CarryInLowerSequences(taxLine, taxLines, exemptionFlag);
  const Currency base = taxLine.TaxableDollars;
  if (base.IsZero()) return Currency();
  const CTax& tax = *taxLine.OTax();
  const Currency amount = Magnitude(base);
  if (!InsideTaxWindow(amount, tax)) return Currency();
  const Currency rounded = CentRounding(HundredthInDouble(amount * tax.TaxRate));
  return base.IsNegative() ? -rounded : rounded;
}

Currency PerUnitTax(const CTaxLine& taxLine) {
  const Currency quantity = taxLine.TaxableQuantity;
  if (quantity.IsZero()) return Currency();
  const Currency rounded = CentRounding(Magnitude(quantity) * taxLine.OTax()->TaxRate);
  return quantity.IsNegative() ? -rounded : rounded;
}

}  // namespace

void ComputeTaxAmount(CTaxLine& taxLine, const CTaxLines& taxLines, bool exemptionFlag) {
  taxLine.TotalTax = taxLine.OTax()->crTaxType == "%"
                         ? PercentageTax(taxLine, taxLines, exemptionFlag)
                         : PerUnitTax(taxLine);
}

Currency CentRounding(Currency value) {
  // The decimal text of a value halfway between two cents has exactly three decimals ending in
  // 5 (1.225); such a value is nudged up by one unit so that the rounding below never ties.
  __int128 units = value.Units();
  if (units % kUnitsPerCent == 50 || units % kUnitsPerCent == -50) units += 1;
  return Currency::FromUnits(
      static_cast<std::int64_t>(DivideRoundHalfEven(units, kUnitsPerCent) * kUnitsPerCent));
}

Currency HundredthInDouble(Currency product) {
  const double hundredth = static_cast<double>(product.Units()) / 10000.0 / 100.0;
  const double units = std::nearbyint(hundredth * 10000.0);
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(units >= -kLimit && units < kLimit)) {
    Raise(errors::kOverflow, "currency overflow: one hundredth of " + NumberText(product));
  }
  return Currency::FromUnits(static_cast<std::int64_t>(units));
}

}  // namespace quorvel

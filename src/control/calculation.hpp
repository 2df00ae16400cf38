// The working state of one CalcTaxes call.
#pragma once

#include <string>

#include "lines/item_lines.hpp"
#include "lines/tax_lines.hpp"
#include "reference/reference_tables.hpp"

namespace quorvel {

struct Calculation {
  explicit Calculation(const ReferenceTables& referenceTables)
      : tables(referenceTables), itemLines(*referenceTables.TaxGroups), taxLines(referenceTables) {}

  const ReferenceTables& tables;
  std::string customerText;     // ShipToID or CustomerID exactly as written
  std::string taxedItems = "/"; // the taxed-items list, written out as TaxItems
  CItemLines itemLines;
  CTaxLines taxLines;
};

}  // namespace quorvel

// Taxable base accumulation: which item lines each tax falls on, and how much of each.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lines/item_lines.hpp"
#include "lines/tax_lines.hpp"
#include "reference/collections.hpp"

namespace quorvel {

// What an item line contributes the same way under every tax, worked out once per calculation.
struct ItemFacts {
  bool exemptForCustomer;  // the customer's status for the item's group, else for the item
  std::string taxedEntry;  // the item's entry in the taxed-items list: its key without "I", "/"
};

// The facts of every item line, in collection order, for the customer text as written.
std::vector<ItemFacts> GatherItemFacts(const CItemLines& itemLines, std::string_view customerText,
                                       const CTaxStatuses& statuses);

// Adds every item line to the matching accumulator of `taxLine` and appends the taxed items to
// `taxedItems`. Returns the exemption flag of the last item line (false when there is none).
bool AccumulateTaxableBase(CTaxLine& taxLine, const CItemLines& itemLines,
                           const std::vector<ItemFacts>& facts, std::string& taxedItems);

}  // namespace quorvel

#include "control/calculation.hpp"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "common/error.hpp"
#include "control/base_accumulation.hpp"
#include "control/request_intake.hpp"
#include "control/result_writer.hpp"
#include "control/tax_amounts.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel {
namespace {

// Room for every item listed under every tax, so that the list is not copied as it grows;
// capped, for a document of many items that few taxes fall on.
void ReserveTaxedItems(std::string& taxedItems, const std::vector<ItemFacts>& facts, std::int32_t taxLines) {
  constexpr std::size_t kMostReserved = 64 * 1024;
  std::size_t listed = 0;
  for (const ItemFacts& itemFacts : facts) listed += itemFacts.taxedEntry.size();
  taxedItems.reserve(std::min(kMostReserved, taxedItems.size() + listed * static_cast<std::size_t>(taxLines)));
}

// The calculation of CalculateTaxes, which turns running out of memory into an error.
std::string Calculate(const ReferenceTables& tables, std::string_view transaction, std::string& refusal) {
  Calculation calculation(tables);
  if (!TakeRequest(transaction, calculation, refusal)) return "NOHEADER";
  const std::vector<ItemFacts> facts =
      GatherItemFacts(calculation.itemLines, calculation.customerText, *tables.TaxStatuses);
  ReserveTaxedItems(calculation.taxedItems, facts, calculation.taxLines.Count());
  // One tax line at a time: its base, then its tax, before the next line starts, so that a
  // percentage tax sees the final tax of every line before it.
  for (CTaxLine& taxLine : calculation.taxLines) {
    WithContext([&] { return "tax " + Quoted(taxLine.KeyTaxID()); }, [&] {
      const bool exemptionFlag =
          AccumulateTaxableBase(taxLine, calculation.itemLines, facts, calculation.taxedItems);
      ComputeTaxAmount(taxLine, calculation.taxLines, exemptionFlag);
    });
  }
  return WriteResultRowset(calculation.taxLines, calculation.taxedItems);
}

}  // namespace

std::string CalculateTaxes(const ReferenceTables& tables, std::string_view transaction) {
  std::string refusal;
  return CalculateTaxes(tables, transaction, refusal);
}

std::string CalculateTaxes(const ReferenceTables& tables, std::string_view transaction,
                           std::string& refusal) {
  refusal.clear();
  try {
    return Calculate(tables, transaction, refusal);
  } catch (const std::bad_alloc&) {
    Raise(errors::kOutOfMemory, "out of memory");
  }
}

}  // namespace quorvel

#include "control/base_accumulation.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/letter_removal.hpp"
#include "common/lookup_memo.hpp"
#include "control/tax_window.hpp"

namespace quorvel {
namespace {

// The customer's statuses by the tax group key of the item ("G12"): items of one group share it.
using GroupStatusMemo = LookupMemo<std::string_view, const CTaxStatus*>;

std::size_t TextHash(std::string_view text) {
  std::size_t hash = text.size();
  for (char c : text.substr(text.size() > 4 ? text.size() - 4 : 0)) hash = hash * 31 + static_cast<unsigned char>(c);
  return hash;
}

// The customer's status for the item's tax group, else for its inventory item.
bool ItemLevelExemption(const CItemLine& item, CustomerStatuses& statuses,
                        GroupStatusMemo& groupStatuses) {
  const std::string& group = item.TaxGroupID();  // lives as long as the line, as the memo needs
  const CTaxStatus* groupStatus =
      groupStatuses.Get(group, TextHash(group), [&] { return statuses.Find(group); });
  if (groupStatus) return groupStatus->IsExempt;
  const CTaxStatus* status = statuses.Find(item.InvItemKey);
  return status ? status->IsExempt : false;
}

// The group item of one tax line's tax in a group's items: by number when the tax's key is
// written as group items are keyed, else by its text.
class GroupItemFinder {
 public:
  explicit GroupItemFinder(const std::string& taxKey)
      : taxKey_(taxKey), taxId_(CTaxGroupItems::TaxOfKey(taxKey)) {}

  // What `groupItems`.Find(tax key) gives.
  const CTaxGroupItem* Find(const CTaxGroupItems& groupItems) const {
    return taxId_ ? groupItems.FindTax(*taxId_) : groupItems.Find(taxKey_);
  }

 private:
  PreparedKey taxKey_;
  std::optional<std::int32_t> taxId_;
};

// A tax's type, compared once per tax line rather than once per item line.
struct TaxType {
  explicit TaxType(const CTax& tax) : perUnit(tax.crTaxType == "$"), percentage(tax.crTaxType == "%") {}
  bool perUnit;     // "$": a fixed amount per unit
  bool percentage;  // "%"
};

void AddExempt(CTaxLine& taxLine, const CItemLine& item, const CTax& tax, TaxType type) {
  if (type.perUnit) {
    if (InsideTaxWindow(item.NetPrice, tax)) taxLine.ExemptQuantity += item.Quantity;
  } else {
    taxLine.ExemptDollars += item.ExtendedPrice;
  }
}

void AddTaxable(CTaxLine& taxLine, const CItemLine& item, const ItemFacts& facts, const CTax& tax,
                TaxType type, std::string& taxedItems) {
  taxedItems += facts.taxedEntry;
  if (type.perUnit) {
    if (InsideTaxWindow(item.NetPrice, tax)) taxLine.TaxableQuantity += item.Quantity;
  } else {
    taxLine.TaxableDollars += item.ExtendedPrice;
  }
}

}  // namespace

std::vector<ItemFacts> GatherItemFacts(const CItemLines& itemLines, std::string_view customerText,
                                       const CTaxStatuses& statuses) {
  std::vector<ItemFacts> facts;
  facts.reserve(static_cast<std::size_t>(itemLines.Count()));
  GroupStatusMemo groupStatuses;
  CustomerStatuses customerStatuses(statuses, "K" + std::string(customerText));
  for (const CItemLine& item : itemLines) {
    ItemFacts& itemFacts =
        facts.emplace_back(ItemFacts{ItemLevelExemption(item, customerStatuses, groupStatuses), {}});
    ForEachPartWithoutLetter(item.ItemKey, 'I',
                             [&](std::string_view part) { itemFacts.taxedEntry += part; });
    itemFacts.taxedEntry += '/';
  }
  return facts;
}

bool AccumulateTaxableBase(CTaxLine& taxLine, const CItemLines& itemLines,
                           const std::vector<ItemFacts>& facts, std::string& taxedItems) {
  const CTax& tax = *taxLine.OTax();
  const TaxType type(tax);
  const GroupItemFinder groupItemOfTax(taxLine.KeyTaxID());
  bool exempt = false;
  std::size_t index = 0;
  for (const CItemLine& item : itemLines) {
    const ItemFacts& itemFacts = facts[index++];
    exempt = taxLine.IsExempt || itemFacts.exemptForCustomer;
    const CTaxGroupItems* groupItems = item.OTaxGroupItems();
    const CTaxGroupItem* groupItem = groupItems ? groupItemOfTax.Find(*groupItems) : nullptr;
    const bool groupTaxable = groupItem && groupItem->IsTaxable;
    if (item.IsTaxable && groupTaxable) {
      if (exempt) {
        AddExempt(taxLine, item, tax, type);
      } else {
        AddTaxable(taxLine, item, itemFacts, tax, type, taxedItems);
      }
    } else if (type.percentage) {
      taxLine.NonTaxableDollars += item.ExtendedPrice;
    }
  }
  return exempt;
}

}  // namespace quorvel

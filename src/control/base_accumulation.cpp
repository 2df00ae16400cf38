#include "control/base_accumulation.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

namespace quorvel {
namespace {

std::string WithoutCapitalI(std::string key) {
  key.erase(std::remove(key.begin(), key.end(), 'I'), key.end());
  return key;
}

// The customer's status for the item's tax group, else for its inventory item.
bool ItemLevelExemption(const CItemLine& item, std::string_view customerText,
                        const CTaxStatuses& statuses) {
  std::string key = "K";
  key += customerText;
  const std::size_t customerPart = key.size();
  key += item.TaxGroupID();
  if (const CTaxStatus* status = statuses.Find(key)) return status->IsExempt;
  key.resize(customerPart);
  key += item.InvItemKey;
  const CTaxStatus* status = statuses.Find(key);
  return status ? status->IsExempt : false;
}

// The group item of one tax line's tax in the item collections of the groups met so far. Item
// lines of one group share their group's collection, so each collection is searched about once
// per tax line instead of once per item line.
class GroupItemMemo {
 public:
  explicit GroupItemMemo(const std::string& taxKey) : taxKey_(taxKey) {}

  // What `groupItems`->Find(tax key) gives.
  const CTaxGroupItem* Find(const CTaxGroupItems& groupItems) {
    Slot& slot = slots_[(reinterpret_cast<std::uintptr_t>(&groupItems) / alignof(CTaxGroupItems)) % kSlots];
    if (slot.groupItems != &groupItems) slot = {&groupItems, groupItems.Find(taxKey_)};
    return slot.found;
  }

 private:
  static constexpr std::size_t kSlots = 32;
  struct Slot {
    const CTaxGroupItems* groupItems = nullptr;
    const CTaxGroupItem* found = nullptr;
  };
  PreparedKey taxKey_;
  std::array<Slot, kSlots> slots_{};
};

void AddExempt(CTaxLine& taxLine, const CItemLine& item, const CTax& tax) {
  if (tax.crTaxType == "$") {
    if (InsidePriceWindow(item.NetPrice, tax)) taxLine.ExemptQuantity += item.Quantity;
  } else {
    taxLine.ExemptDollars += item.ExtendedPrice;
  }
}

void AddTaxable(CTaxLine& taxLine, const CItemLine& item, const CTax& tax, const ItemFacts& facts,
                std::string& taxedItems) {
  taxedItems += facts.listedKey;
  taxedItems += '/';
  if (tax.crTaxType == "$") {
    if (InsidePriceWindow(item.NetPrice, tax)) taxLine.TaxableQuantity += item.Quantity;
  } else {
    taxLine.TaxableDollars += item.ExtendedPrice;
  }
}

}  // namespace

bool InsidePriceWindow(Currency netPrice, const CTax& tax) {
  const bool belowCutOff = tax.CutOff.IsZero() || (tax.CutOff > Currency() && netPrice < tax.CutOff);
  return netPrice >= tax.ThreshHold && belowCutOff;
}

std::vector<ItemFacts> GatherItemFacts(const CItemLines& itemLines, std::string_view customerText,
                                       const CTaxStatuses& statuses) {
  std::vector<ItemFacts> facts;
  facts.reserve(static_cast<std::size_t>(itemLines.Count()));
  for (const auto& item : itemLines) {
    facts.push_back({ItemLevelExemption(*item, customerText, statuses), WithoutCapitalI(item->ItemKey)});
  }
  return facts;
}

bool AccumulateTaxableBase(CTaxLine& taxLine, const CItemLines& itemLines,
                           const std::vector<ItemFacts>& facts, std::string& taxedItems) {
  const CTax& tax = *taxLine.OTax();
  GroupItemMemo groupItemOfTax(taxLine.KeyTaxID());
  bool exempt = false;
  std::size_t index = 0;
  for (const auto& item : itemLines) {
    const ItemFacts& itemFacts = facts[index++];
    exempt = taxLine.IsExempt || itemFacts.exemptForCustomer;
    const auto& groupItems = item->OTaxGroupItems();
    const CTaxGroupItem* groupItem = groupItems ? groupItemOfTax.Find(*groupItems) : nullptr;
    const bool groupTaxable = groupItem && groupItem->IsTaxable;
    if (item->IsTaxable && groupTaxable) {
      if (exempt) {
        AddExempt(taxLine, *item, tax);
      } else {
        AddTaxable(taxLine, *item, tax, itemFacts, taxedItems);
      }
    } else if (tax.crTaxType == "%") {
      taxLine.NonTaxableDollars += item->ExtendedPrice;
    }
  }
  return exempt;
}

}  // namespace quorvel

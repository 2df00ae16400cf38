// The reference entities: taxes, tax models with their taxes, tax groups with their taxable
// flags, and customer tax statuses. Plain records; the collections that hold them are in
// reference/collections.hpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/currency.hpp"

namespace quorvel {

class CTaxModelItems;
class CTaxGroupItems;

// One tax.
struct CTax {
  std::string KeyTaxID;     // "K" + the tax's identifier
  std::string TaxGroupID;   // "K" + the group identifier given with the tax (K0 when none)
  std::string GLAccountID;  // "K" + the tax's account identifier (K0 when none)
  std::string Description;
  std::int16_t Sequence = 0;
  Currency ThreshHold;
  Currency CutOff;
  Currency TaxRate;         // a percentage for "%", an amount per unit otherwise
  std::string crTaxType;    // "%", "$" or another code
  bool IsItemLevel = false;
};

// One tax within a tax model.
struct CTaxModelItem {
  std::string KeyTaxID;  // "K" + the tax's identifier
};

// One tax model: the taxes a transaction under it is charged.
class CTaxModel {
 public:
  CTaxModel();
  std::string KeyTaxModelID;  // "K" + the model's identifier, as the loader gives it
  // The taxes of the model; created empty with the model, never replaced.
  const std::shared_ptr<CTaxModelItems>& OTaxModelItems() const { return items_; }

 private:
  std::shared_ptr<CTaxModelItems> items_;
};

// The taxability of items of one group under one tax.
struct CTaxGroupItem {
  std::string KeyTaxID;  // "K" + the tax's identifier
  bool IsTaxable = false;
};

// One tax group: for each tax it lists, whether its items are taxable.
class CTaxGroup {
 public:
  CTaxGroup();
  std::string KeyTaxGroupID;  // "G" + the group's identifier, as the loader gives it
  // The taxes the group lists; created empty with the group, never replaced.
  const std::shared_ptr<CTaxGroupItems>& OTaxGroupItems() const { return items_; }

 private:
  std::shared_ptr<CTaxGroupItems> items_;
};

// One exemption of one customer: from a tax, from the taxes on a group, or on an inventory item.
struct CTaxStatus {
  std::string KeyCustomer;      // the same as KeyTaxStatus
  std::string KeyTaxStatus;     // "K" + customer, then "K" + tax, "G" + group or "I" + item
  std::string TaxExemptNumber;  // "" when none
  bool IsExempt = false;
  std::string TaxExemptType;    // "Tax", "TaxGroup" or "InventoryItem"
};

}  // namespace quorvel

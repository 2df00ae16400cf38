// Tax lines: the per-tax accumulators of one calculation, one per tax of the transaction's model.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/currency.hpp"
#include "reference/keyed_collection.hpp"
#include "reference/reference_tables.hpp"

namespace quorvel {

// The accumulators of one tax.
class CTaxLine {
 public:
  // A line that finds tax groups in `taxGroups`.
  explicit CTaxLine(const CTaxGroups& taxGroups) : taxGroups_(&taxGroups) {}

  Currency TaxableDollars;     // amounts of the taxable item lines
  Currency ExemptDollars;      // amounts of the exempt item lines
  Currency NonTaxableDollars;  // amounts of the item lines not taxable under this tax
  Currency TaxableQuantity;    // quantities of the taxable item lines
  Currency ExemptQuantity;     // quantities of the exempt item lines
  Currency TotalTax;           // the tax of this line
  bool IsExempt = false;       // the customer is exempt from this tax

  // The key of the line's tax; error 91 before the tax is set.
  const std::string& KeyTaxID() const;
  // Sets the line's tax, then takes the items of the group keyed TaxGroupID when there is one.
  void OTax(const CTax* tax);
  // The line's tax, in the tax table.
  const CTax* OTax() const { return tax_; }
  // A tax group key for the next OTax assignment. Nothing in the calculation sets it, so tax
  // lines carry no tax group.
  void TaxGroupID(std::string value);
  // The items of the line's tax group, or none.
  const CTaxGroupItems* OTaxGroupItems() const { return taxGroupItems_; }

 private:
  // Not counted references: the tables outlive every calculation on them (its caller holds
  // them), and counting would make every thread write to the shared tables.
  const CTaxGroups* taxGroups_;
  const CTax* tax_ = nullptr;
  std::string taxGroupId_;
  const CTaxGroupItems* taxGroupItems_ = nullptr;
};

// The tax lines of one calculation, keyed by their tax's key.
class CTaxLines : public KeyedCollection<CTaxLine> {
 public:
  // Lines built from the given reference tables.
  explicit CTaxLines(const ReferenceTables& tables) : tables_(&tables) {}

  // Sets the customer whose exemptions the next tax model assignment applies.
  void CustomerID(std::int32_t customer);
  // Builds one line per tax of tax model `model`, in tax-table order, each marked exempt or not
  // for the customer. The same number again changes nothing. Error 91 for an unknown model.
  void TaxModelID(std::int32_t model);

  // Adds the line of `pobjTax`; error 457 when the tax has one.
  std::shared_ptr<CTaxLine> AddItem(const CTax* pobjTax);

 private:
  const ReferenceTables* tables_;
  std::int32_t taxModelNumber_ = 0;
  std::string taxModelKey_;
  std::string customerKey_;
};

}  // namespace quorvel

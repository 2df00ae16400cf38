// Tax lines: the per-tax accumulators of one calculation, one per tax of the transaction's model.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "common/currency.hpp"
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

// The tax lines of one calculation, keyed by their tax's key. Held by value (a calculation builds
// and drops a handful per call); a line stays where it is while others are added.
class CTaxLines {
 public:
  using iterator = std::deque<CTaxLine>::iterator;
  using const_iterator = std::deque<CTaxLine>::const_iterator;

  // Lines built from the given reference tables.
  explicit CTaxLines(const ReferenceTables& tables) : tables_(&tables) {}

  // Sets the customer whose exemptions the next tax model assignment applies.
  void CustomerID(std::int32_t customer);
  // Builds one line per tax of tax model `model`, in tax-table order, each marked exempt or not
  // for the customer. The same number again changes nothing. Error 91 for an unknown model.
  void TaxModelID(std::int32_t model);
  // Adds the line of `pobjTax` as TaxModelID does; error 457 when the tax has one.
  CTaxLine& AddItem(const CTax* pobjTax);

  // The number of lines.
  std::int32_t Count() const { return static_cast<std::int32_t>(lines_.size()); }
  // The line of the tax keyed `key` (spaces at both ends removed, letter case ignored), or none.
  const CTaxLine* Item(std::string_view key) const;
  CTaxLine* Item(std::string_view key);
  // The line at the 1-based `position`; error 9 outside 1..Count.
  const CTaxLine* Item(std::int32_t position) const;
  CTaxLine* Item(std::int32_t position);
  // The lines in order of addition.
  iterator begin() { return lines_.begin(); }
  iterator end() { return lines_.end(); }
  const_iterator begin() const { return lines_.begin(); }
  const_iterator end() const { return lines_.end(); }

 private:
  // Adds the line of `tax`, whose key no line has.
  CTaxLine& Append(const CTax* tax);
  const ReferenceTables* tables_;
  std::int32_t taxModelNumber_ = 0;
  std::string taxModelKey_;
  std::string customerKey_;
  std::deque<CTaxLine> lines_;
};

}  // namespace quorvel

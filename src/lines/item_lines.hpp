// Item lines: the lines of a transaction that tax can fall on, built from its detail rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/currency.hpp"
#include "reference/collections.hpp"
#include "common/lookup_memo.hpp"
#include "xml/columns.hpp"

namespace quorvel {

// One sold item or freight charge.
class CItemLine {
 public:
  // A line that finds its tax group in `taxGroups`.
  explicit CItemLine(const CTaxGroups& taxGroups) : taxGroups_(&taxGroups) {}

  Currency Quantity;       // ordered quantity of a work-order row, shipped quantity otherwise
  Currency NetPrice;       // net unit price
  Currency ExtendedPrice;  // extended amount
  bool IsTaxable = false;
  std::string ItemKey;     // "I" + the row's local inventory item identifier
  std::string InvItemKey;  // "I" + the row's inventory item identifier

  // "G" + the tax group number: the line's key in the tax group table.
  const std::string& TaxGroupID() const { return taxGroupId_; }
  // Sets the group key and, when it changed, takes that group's items (kept when none is found).
  void TaxGroupID(std::string value);
  // The same with the look-up of `value` in the tax group table already made: `group`.
  void TaxGroupID(std::string_view value, const CTaxGroup* group);
  // The items of the line's tax group, in the tax group table, or none.
  const CTaxGroupItems* OTaxGroupItems() const { return taxGroupItems_; }

 private:
  const CTaxGroups* taxGroups_;
  std::string taxGroupId_;
  // Not a counted reference: the tables outlive every calculation on them (its caller holds
  // them), and counting would make every thread write to the shared tables.
  const CTaxGroupItems* taxGroupItems_ = nullptr;
};

// The item lines of one calculation, kept without keys: reached by position and enumeration.
// Held by value, in one block: a calculation builds and drops a line for every detail row.
class CItemLines {
 public:
  using const_iterator = std::vector<CItemLine>::const_iterator;

  // Lines that find their tax groups in `taxGroups`.
  explicit CItemLines(const CTaxGroups& taxGroups) : taxGroups_(&taxGroups) {}

  // Builds one line per detail row (read with TransactionColumns()) whose line type and entity
  // name are accepted. A value that does not convert fails with the row, the attribute and the
  // value; earlier lines stay.
  void XMLDOMNodeList(const std::vector<xml::ReadRow>& detailRows);
  // The same for one detail row: a line when its line type and entity name are accepted.
  void AddRow(const xml::ReadRow& detailRow);

  // Adds a line; `pstrItemKey` and `pstrInvItemKey` get the prefix "I". The reference stays
  // valid until the next line is added.
  CItemLine& AddItem(Currency pcurQuantity, Currency pcurNetPrice, Currency pcurExtendedPrice,
                     std::int32_t plngTaxGroupID, bool pblnIsTaxable, std::string_view pstrItemKey,
                     std::string_view pstrInvItemKey);

  // The number of lines.
  std::int32_t Count() const { return static_cast<std::int32_t>(lines_.size()); }
  // The line at the 1-based `position`; error 9 outside 1..Count.
  const CItemLine* Item(std::int32_t position) const;
  CItemLine* Item(std::int32_t position);
  // Lines have no keys: none is ever found by one.
  const CItemLine* Item(std::string_view) const { return nullptr; }
  // The lines in order of addition.
  const_iterator begin() const { return lines_.begin(); }
  const_iterator end() const { return lines_.end(); }

 private:
  // `columns` read with TransactionColumns().
  void AddFromRow(const xml::ColumnValues& columns);
  const CTaxGroups* taxGroups_;
  std::vector<CItemLine> lines_;
  // The tax group of each group number met so far: lines of one group are common.
  LookupMemo<std::int32_t, const CTaxGroup*> groups_;
};

}  // namespace quorvel

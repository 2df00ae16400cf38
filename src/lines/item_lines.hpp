// Item lines: the lines of a transaction that tax can fall on, built from its detail rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/currency.hpp"
#include "reference/collections.hpp"
#include "reference/keyed_collection.hpp"
#include "reference/lookup_memo.hpp"
#include "xml/transaction_rows.hpp"

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
  void TaxGroupID(std::string value, const CTaxGroup* group);
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
class CItemLines : public KeyedCollection<CItemLine> {
 public:
  // Lines that find their tax groups in `taxGroups`.
  explicit CItemLines(const CTaxGroups& taxGroups) : taxGroups_(&taxGroups) {}

  // Builds one line per detail row (read with TransactionColumns()) whose line type and entity
  // name are accepted. A value that does not convert fails with the row, the attribute and the
  // value; earlier lines stay.
  void XMLDOMNodeList(const std::vector<xml::SelectedRow>& detailRows);

  // Adds a line; `pstrItemKey` and `pstrInvItemKey` get the prefix "I".
  std::shared_ptr<CItemLine> AddItem(Currency pcurQuantity, Currency pcurNetPrice,
                                     Currency pcurExtendedPrice, std::int32_t plngTaxGroupID,
                                     bool pblnIsTaxable, std::string_view pstrItemKey,
                                     std::string_view pstrInvItemKey);

 private:
  // `columns` read with TransactionColumns().
  void AddFromRow(const xml::ColumnValues& columns);
  const CTaxGroups* taxGroups_;
  // The tax group of each group number met so far: lines of one group are common.
  LookupMemo<std::int32_t, const CTaxGroup*> groups_;
};

}  // namespace quorvel

// The columns a calculation reads from the rows of a transaction document, numbered so that each
// row is read once (xml::ColumnValues) for the selection, the header and the item lines alike.
#pragma once

#include <cstddef>
#include <iterator>

#include "xml/columns.hpp"

namespace quorvel {

enum TransactionColumn : std::size_t {
  // Selection of the header row and the detail rows.
  kHead, kDetail, kIsSubItem, kIsDeleted,
  // The header row.
  kShipToId, kCustomerId, kTaxModel,
  // Item lines.
  kLineType, kEntityName, kQtyOrdered, kQtyShipped, kNetPrice, kExtendedPrice, kTaxGroupId,
  kIsTaxable, kLocInvItemId, kInvItemId,
  kTransactionColumnCount  // not a column: the number of them
};

// The attribute names, in the order of TransactionColumn.
inline constexpr const char* kTransactionColumnNames[] = {
    "head",       "detail",     "IsSubItem",  "IsDeleted",  "ShipToID",      "CustomerID",
    "TaxModel",   "crLineType", "EntityName", "QtyOrdered", "QtyShipped",    "NetPrice",
    "ExtendedPrice", "TaxGroupID", "IsTaxable", "LocInvItemID", "InvItemID"};
static_assert(std::size(kTransactionColumnNames) == kTransactionColumnCount, "a name for every column");
static_assert(kTransactionColumnCount <= xml::ColumnNames::kMaxColumns);

// The columns, for reading a row.
inline const xml::ColumnNames& TransactionColumns() {
  static const xml::ColumnNames names(kTransactionColumnNames);
  return names;
}

}  // namespace quorvel

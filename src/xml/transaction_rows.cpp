#include "xml/transaction_rows.hpp"

#include <stdexcept>

namespace quorvel::xml {
namespace {

std::size_t NumberOfRequired(const ColumnNames& columns, const char* name) {
  const std::size_t number = columns.NumberOf(name);
  if (number == ColumnNames::kMaxColumns) {
    throw std::logic_error(std::string("the columns of a transaction reader lack ") + name);
  }
  return number;
}

// Room for the detail rows of most transactions at once: a row is copied again each time the
// vector grows.
constexpr std::size_t kRowsReserved = 64;

}  // namespace

SelectionColumns::SelectionColumns(const ColumnNames& columns)
    : head(NumberOfRequired(columns, "head")),
      detail(NumberOfRequired(columns, "detail")),
      isSubItem(NumberOfRequired(columns, "IsSubItem")),
      isDeleted(NumberOfRequired(columns, "IsDeleted")) {}

TransactionRows SelectTransactionRows(const Document& document, const ColumnNames& columns) {
  TransactionRows rows;
  rows.details.reserve(kRowsReserved);
  ForEachTransactionRow(
      document, columns, [&](const SelectedRow& row) { rows.header = row; },
      [&](const SelectedRow& row) { rows.details.push_back(row); });
  return rows;
}

}  // namespace quorvel::xml

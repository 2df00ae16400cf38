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

TransactionRows SelectTransactionRows(const Document& document, const ColumnNames& columns) {
  const std::size_t head = NumberOfRequired(columns, "head");
  const std::size_t detail = NumberOfRequired(columns, "detail");
  const std::size_t isSubItem = NumberOfRequired(columns, "IsSubItem");
  const std::size_t isDeleted = NumberOfRequired(columns, "IsDeleted");
  TransactionRows rows;
  rows.details.reserve(kRowsReserved);
  ColumnReader reader(columns, document.Storage());
  document.ForEachRow([&](const Element& row, int number) {
    const ColumnValues values = reader.Read(row);
    const bool isHeader = !rows.header && values.Has(head);
    const bool isDetail =
        values.Has(detail) && values.Get(isSubItem) == "False" && !values.Has(isDeleted);
    if (isHeader) rows.header = SelectedRow{row, values, number};
    if (isDetail) rows.details.push_back({row, values, number});
  });
  return rows;
}

}  // namespace quorvel::xml

// The two selections of a transaction document, the header row and the detail rows, made in one
// pass over its rows that also reads the columns the caller needs from each of them.
#pragma once

#include <optional>
#include <vector>

#include "xml/columns.hpp"
#include "xml/document.hpp"

namespace quorvel::xml {

// A selected row, the values of the caller's columns, and its 1-based position among all rows.
struct SelectedRow {
  Element element;
  ColumnValues values;
  int number;
};

struct TransactionRows {
  // "//z:row [ @head ]": the first row at any depth that has a "head" attribute.
  std::optional<SelectedRow> header;
  // "//z:row [ @detail and @IsSubItem='False' and not(@IsDeleted)]", in document order.
  std::vector<SelectedRow> details;
};

// Selects the header row and the detail rows of `document`, reading `columns` from each row;
// `columns` must name "head", "detail", "IsSubItem" and "IsDeleted" (std::logic_error if not).
TransactionRows SelectTransactionRows(const Document& document, const ColumnNames& columns);

}  // namespace quorvel::xml

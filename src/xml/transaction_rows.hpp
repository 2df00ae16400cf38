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

// Where the columns that select the rows are among a reader's columns.
struct SelectionColumns {
  // `columns` must name "head", "detail", "IsSubItem" and "IsDeleted" (std::logic_error if not).
  explicit SelectionColumns(const ColumnNames& columns);

  // Whether a row with `values` is the header row, given whether one was met before it.
  bool IsHeader(const ColumnValues& values, bool headerMet) const {
    return !headerMet && values.Has(head);
  }
  // Whether a row with `values` is a detail row.
  bool IsDetail(const ColumnValues& values) const {
    return values.Has(detail) && values.Get(isSubItem) == "False" && !values.Has(isDeleted);
  }

  std::size_t head, detail, isSubItem, isDeleted;
};

// Walks the rows of `document` once, reading `columns` from each, and calls `onHeader(row)` for
// the header row and `onDetail(row)` for every detail row, in document order (a row may be both).
template <typename OnHeader, typename OnDetail>
void ForEachTransactionRow(const Document& document, const ColumnNames& columns, OnHeader&& onHeader,
                           OnDetail&& onDetail) {
  const SelectionColumns selection(columns);
  ColumnReader reader(columns, document.Storage());
  bool headerMet = false;
  document.ForEachRow([&](const Element& element, int number) {
    const SelectedRow row{element, reader.Read(element), number};
    if (selection.IsHeader(row.values, headerMet)) {
      headerMet = true;
      onHeader(row);
    }
    if (selection.IsDetail(row.values)) onDetail(row);
  });
}

// Selects the header row and the detail rows of `document`, reading `columns` from each row;
// `columns` must name "head", "detail", "IsSubItem" and "IsDeleted" (std::logic_error if not).
TransactionRows SelectTransactionRows(const Document& document, const ColumnNames& columns);

}  // namespace quorvel::xml

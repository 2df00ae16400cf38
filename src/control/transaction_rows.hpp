// The selections of request intake: the header row and the detail rows of a transaction
// document, chosen in one pass over its rows that also reads the columns the caller needs.
#pragma once

#include "xml/columns.hpp"
#include "xml/document.hpp"

namespace quorvel {

// Where the columns that select the rows are among a reader's columns.
struct SelectionColumns {
  // `columns` must name "head", "detail", "IsSubItem" and "IsDeleted" (std::logic_error if not).
  explicit SelectionColumns(const xml::ColumnNames& columns);
  // "//z:row [ @head ]": whether a row with `values` is the header row, given whether one was met
  // before it.
  bool IsHeader(const xml::ColumnValues& values, bool headerMet) const {
    return !headerMet && values.Has(head);
  }
  // "//z:row [ @detail and @IsSubItem='False' and not(@IsDeleted)]": whether a row with `values`
  // is a detail row.
  bool IsDetail(const xml::ColumnValues& values) const {
    return values.Has(detail) && values.Get(isSubItem) == "False" && !values.Has(isDeleted);
  }
  std::size_t head, detail, isSubItem, isDeleted;
};

// Walks the rows of `document` at any depth once, in document order, reading `columns` from each,
// and calls `onHeader(row)` for the header row and `onDetail(row)` for every detail row (a row
// may be both).
template <typename OnHeader, typename OnDetail>
void ForEachTransactionRow(const xml::Document& document, const xml::ColumnNames& columns, OnHeader&& onHeader,
                           OnDetail&& onDetail) {
  const SelectionColumns selection(columns);
  xml::ColumnReader reader(columns, document.Storage());
  bool headerMet = false;
  document.ForEachRow([&](const xml::Element& element, int number) {
    const xml::ReadRow row{element, reader.Read(element), number};
    if (selection.IsHeader(row.values, headerMet)) {
      headerMet = true;
      onHeader(row);
    }
    if (selection.IsDetail(row.values)) onDetail(row);
  });
}

}  // namespace quorvel

#include "control/transaction_rows.hpp"

#include <stdexcept>
#include <string>

namespace quorvel {
namespace {

std::size_t NumberOfRequired(const xml::ColumnNames& columns, const char* name) {
  const std::size_t number = columns.NumberOf(name);
  if (number == xml::ColumnNames::kMaxColumns) {
    throw std::logic_error(std::string("the columns of a transaction reader lack ") + name);
  }
  return number;
}

}  // namespace

SelectionColumns::SelectionColumns(const xml::ColumnNames& columns)
    : head(NumberOfRequired(columns, "head")),
      detail(NumberOfRequired(columns, "detail")),
      isSubItem(NumberOfRequired(columns, "IsSubItem")),
      isDeleted(NumberOfRequired(columns, "IsDeleted")) {}

}  // namespace quorvel

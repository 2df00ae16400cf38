#include "xml/columns.hpp"

#include <cstring>
#include <stdexcept>

namespace quorvel::xml {

ColumnNames::ColumnNames(const char* const* names, std::size_t count) {
  if (count > kMaxColumns) throw std::length_error("too many columns");
  for (std::size_t column = 0; column < count; ++column) {
    names_.push_back({names[column], std::strlen(names[column])});
    byFirstByte_[static_cast<unsigned char>(names[column][0])] |= std::uint32_t{1} << column;
  }
}

namespace {

// Whether the terminated `name` is exactly the `length` characters of `text`. It stops at the
// first difference, so it never reads past the end of `name`.
bool IsName(const char* name, const char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (name[i] != text[i]) return false;
  }
  return name[length] == '\0';
}

}  // namespace

std::size_t ColumnNames::NumberOf(const char* name) const {
  for (std::uint32_t candidates = byFirstByte_[static_cast<unsigned char>(name[0])]; candidates != 0;
       candidates &= candidates - 1) {
    const auto column = static_cast<std::size_t>(__builtin_ctz(candidates));
    if (IsName(name, names_[column].text, names_[column].length)) return column;
  }
  return kMaxColumns;
}

ColumnValues::ColumnValues(const Element& row, const ColumnNames& names) {
  row.ForEachAttribute([&](const char* name, const char* value) {
    const std::size_t column = names.NumberOf(name);
    if (column < ColumnNames::kMaxColumns && !values_[column]) values_[column] = value;
  });
}

}  // namespace quorvel::xml

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

// Whether the NUL-terminated `name` is exactly `candidate`, `length` bytes long. Stops at the
// first difference, so it never reads past the end of a shorter name.
bool IsExactly(const char* name, const char* candidate, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (name[i] != candidate[i]) return false;
  }
  return name[length] == '\0';
}

}  // namespace

std::size_t ColumnNames::NumberOf(const char* name) const {
  std::uint32_t candidates = byFirstByte_[static_cast<unsigned char>(name[0])];
  for (; candidates != 0; candidates &= candidates - 1) {  // most unwanted names have none
    const auto column = static_cast<std::size_t>(__builtin_ctz(candidates));
    if (IsNameOf(column, name)) return column;
  }
  return kMaxColumns;
}

bool ColumnNames::IsNameOf(std::size_t column, const char* name) const {
  const Name& candidate = names_[column];
  return IsExactly(name, candidate.text, candidate.length);
}

ColumnValues ColumnReader::Read(const Element& row) {
  ColumnValues values;
  std::size_t position = 0;
  row.ForEachAttribute([&](const char* name, const char* value) {
    const std::uint8_t guess = position < kGuessed ? guesses_[position] : kNoColumn;
    std::size_t column = guess;
    if (guess == kNoColumn || !names_.IsNameOf(guess, name)) {
      column = names_.NumberOf(name);
      if (position < kGuessed) {
        guesses_[position] = column < ColumnNames::kMaxColumns ? static_cast<std::uint8_t>(column) : kNoColumn;
      }
    }
    if (column < ColumnNames::kMaxColumns && !values.values_[column]) values.values_[column] = value;
    ++position;
  });
  return values;
}

ColumnValues::ColumnValues(const Element& row, const ColumnNames& names) {
  row.ForEachAttribute([&](const char* name, const char* value) {
    const std::size_t column = names.NumberOf(name);
    if (column < ColumnNames::kMaxColumns && !values_[column]) values_[column] = value;
  });
}

}  // namespace quorvel::xml

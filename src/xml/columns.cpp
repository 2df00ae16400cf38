#include "xml/columns.hpp"

#include <cstring>
#include <stdexcept>

#include "xml/same_bytes.hpp"

namespace quorvel::xml {

ColumnNames::ColumnNames(const char* const* names, std::size_t count) {
  if (count > kMaxColumns) throw std::length_error("too many columns");
  for (std::size_t column = 0; column < count; ++column) {
    names_.push_back({names[column], std::strlen(names[column])});
    byFirstByte_[static_cast<unsigned char>(names[column][0])] |= std::uint32_t{1} << column;
  }
}

std::size_t ColumnNames::NumberOf(const char* name) const {
  std::uint32_t candidates = byFirstByte_[static_cast<unsigned char>(name[0])];
  if (candidates == 0) return kMaxColumns;  // the attributes a reader does not want mostly end here
  const std::size_t length = std::strlen(name);
  for (; candidates != 0; candidates &= candidates - 1) {
    const auto column = static_cast<std::size_t>(__builtin_ctz(candidates));
    const Name& candidate = names_[column];
    if (candidate.length == length && SameBytes(candidate.text, name, length)) return column;
  }
  return kMaxColumns;
}

bool ColumnNames::IsNameOf(std::size_t column, const char* name) const {
  const Name& candidate = names_[column];
  return name[0] == candidate.text[0] && std::strlen(name) == candidate.length &&
         SameBytes(name, candidate.text, candidate.length);
}

[[gnu::always_inline]] inline bool ColumnNames::IsNameOf(std::size_t column, const char* name,
                                                         std::string_view readable) const {
  const Name& candidate = names_[column];
  const auto start = reinterpret_cast<std::uintptr_t>(readable.data());
  const auto at = reinterpret_cast<std::uintptr_t>(name);
  if (at < start || at - start + candidate.length >= readable.size()) return IsNameOf(column, name);
  return SameBytes(name, candidate.text, candidate.length + 1);  // both NUL-terminated
}

ColumnValues ColumnReader::ReadAsLastRow(const Element& row) const {
  // A shape has no name twice, so each column is met at most once.
  ColumnValues values;
  std::size_t position = 0;
  row.ForEachAttribute([&](const char*, const char* value) {
    const std::uint8_t column = guesses_[position++];
    values.values_[column == kNoColumn ? ColumnValues::kUnread : column] = value;
  });
  return values;
}

ColumnValues ColumnReader::Read(const Element& row) {
  if (row.Shape() != Element::kNoShape && row.Shape() == lastShape_) return ReadAsLastRow(row);
  ColumnValues values;
  std::size_t position = 0;
  row.ForEachAttribute([&](const char* name, const char* value) {
    const std::uint8_t guess = position < kGuessed ? guesses_[position] : kNoColumn;
    std::size_t column = guess;
    if (guess == kNoColumn || !names_.IsNameOf(guess, name, storage_)) {
      column = names_.NumberOf(name);
      if (position < kGuessed) {
        guesses_[position] = column < ColumnNames::kMaxColumns ? static_cast<std::uint8_t>(column) : kNoColumn;
      }
    }
    if (column < ColumnNames::kMaxColumns && !values.values_[column]) values.values_[column] = value;
    ++position;
  });
  lastShape_ = position <= kGuessed ? row.Shape() : Element::kNoShape;
  return values;
}

}  // namespace quorvel::xml

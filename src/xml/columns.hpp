// Reading the columns a reader needs from a row in one pass over its attributes, rather than one
// search of the attributes per column: rows are read in the inner loops of both a calculation and
// a load.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "xml/document.hpp"

namespace quorvel::xml {

// The names of the columns a reader wants, numbered in the order given.
class ColumnNames {
 public:
  static constexpr std::size_t kMaxColumns = 24;

  ColumnNames(std::initializer_list<const char*> names) : ColumnNames(names.begin(), names.size()) {}
  template <std::size_t N>
  explicit ColumnNames(const char* const (&names)[N]) : ColumnNames(names, N) {}
  ColumnNames(const char* const* names, std::size_t count);

  // The number of the column named exactly `name` (case-sensitive), or kMaxColumns when none is.
  std::size_t NumberOf(const char* name) const;

 private:
  struct Name {
    const char* text;
    std::size_t length;
  };
  std::vector<Name> names_;
  std::array<std::uint32_t, 256> byFirstByte_{};  // bit n: column n starts with this byte
};

// One row's values of the columns of a ColumnNames. Where a row carries a name twice, the first
// one counts, as for a single attribute search.
class ColumnValues {
 public:
  ColumnValues(const Element& row, const ColumnNames& names);

  // Whether the row has the column.
  bool Has(std::size_t column) const { return values_[column] != nullptr; }
  // The column's value, or nothing when the row has no such attribute.
  std::optional<std::string_view> Get(std::size_t column) const {
    if (!values_[column]) return std::nullopt;
    return std::string_view(values_[column]);
  }
  // The attribute reader's rule: the value, or `defaultValue` only when the column is absent.
  std::string_view Read(std::size_t column, std::string_view defaultValue) const {
    return values_[column] ? std::string_view(values_[column]) : defaultValue;
  }

 private:
  std::array<const char*, ColumnNames::kMaxColumns> values_{};
};

}  // namespace quorvel::xml

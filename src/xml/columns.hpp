// Reading the columns a reader needs from a row in one pass over its attributes, rather than one
// search of the attributes per column: a calculation reads every row of its transaction this way,
// and a load every row of its islands.
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
  // Whether `name` is exactly the name of `column`.
  bool IsNameOf(std::size_t column, const char* name) const;
  // The same, when the bytes of `readable` may be read: a name that lies in them is compared
  // a word at a time, its terminating NUL with it, without measuring it first.
  bool IsNameOf(std::size_t column, const char* name, std::string_view readable) const;

 private:
  struct Name {
    const char* text;
    std::size_t length;
  };
  std::vector<Name> names_;
  std::array<std::uint32_t, 256> byFirstByte_{};  // bit n: column n starts with this byte
  static_assert(kMaxColumns <= 32, "a column is one bit of a byFirstByte_ mask");
};

// One row's values of the columns of a ColumnNames.
class ColumnValues {
 public:
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
  // The same as a NUL-terminated text, not measured.
  const char* ReadText(std::size_t column, const char* defaultValue) const {
    return values_[column] ? values_[column] : defaultValue;
  }

 private:
  friend class ColumnReader;
  static constexpr std::size_t kUnread = ColumnNames::kMaxColumns;  // takes what no column names
  std::array<const char*, ColumnNames::kMaxColumns + 1> values_{};
};

// Reads the rows of one document, guessing that each row has its attributes in the order of the
// row before (as rowsets write them), so that most names are checked once against one guess, and
// none when the row has the shape of the row before. One reader per thread: it remembers the last
// row.
// From the well-formedness checks it takes only the rows' shape numbers and the padding after the
// document's text (wellformed/well_formed.hpp).
class ColumnReader {
 public:
  // A reader of rows of the document kept in `storage` (Document::Storage()).
  ColumnReader(const ColumnNames& names, std::string_view storage) : names_(names), storage_(storage) {
    guesses_.fill(kNoColumn);
  }

  // The values of `row`: for each column, the row's attribute of that name, if it has one.
  ColumnValues Read(const Element& row);

 private:
  static constexpr std::uint8_t kNoColumn = 0xFF;
  static constexpr std::size_t kGuessed = 32;  // attributes guessed per row
  const ColumnNames& names_;
  std::string_view storage_;
  // The values of a row of the shape of the last row, whose columns are all guessed.
  ColumnValues ReadAsLastRow(const Element& row) const;

  std::array<std::uint8_t, kGuessed> guesses_;  // the column of each attribute of the last row
  std::uint32_t lastShape_ = Element::kNoShape;  // the last row's, when its columns are all guessed
};

// A row read: its element, the values of the reader's columns, and its 1-based position among the
// rows of its document.
struct ReadRow {
  Element element;
  ColumnValues values;
  int number;
};

}  // namespace quorvel::xml

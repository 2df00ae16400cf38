// The rows of an item island grouped by the header they belong to, built once per load.
//
// A header's rows are those whose selection attribute equals the header's "iKey" as XPath's
// "[@attribute = iKey]" compares them: as numbers when the key is a number ("07" matches 7, a
// row whose value is no number matches nothing), and as exact text when it is not.
//
// The rows are kept grouped in one array, and numeric keys are found through a flat
// open-addressing table: at 100,000 rows a node-based map per key was the part of the load
// that grew fastest with size, through cache misses.
// Oracle: tests/row_index_test.cpp (a scan of every row).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "reference/index/open_address_table.hpp"
#include "xml/document.hpp"

namespace quorvel {

class RowIndex {
 public:
  // Indexes `rows` by their attribute `keyAttribute`; rows without it belong to no header.
  RowIndex(const std::vector<xml::Row>& rows, const char* keyAttribute);

  // The rows that belong to the header keyed `headerKey`, in document order.
  std::span<const xml::Row> RowsFor(std::string_view headerKey) const;

 private:
  static constexpr std::uint32_t kNoGroup = 0xFFFFFFFF;

  // The group of the numeric key `number` or of the text key `text`, a new one when none.
  std::uint32_t NumberGroup(double number);
  std::uint32_t TextGroup(std::string_view text);
  // The group of the numeric key `number`, or kNoGroup.
  std::uint32_t FindNumberGroup(double number) const;

  // A numeric key's group.
  struct NumberSlot {
    std::uint32_t group = 0;  // group + 1, or 0 when free
    bool IsFree() const { return group == 0; }
  };

  std::vector<xml::Row> rows_;              // grouped by key, each group in document order
  std::vector<std::uint32_t> groupStarts_;  // group g is rows_[groupStarts_[g], groupStarts_[g + 1])
  std::vector<double> groupNumbers_;        // the numeric key of each group (0 for text groups)
  OpenAddressTable<NumberSlot> numberGroups_;
  std::size_t numberGroupCount_ = 0;
  std::unordered_map<std::string, std::uint32_t> textGroups_;
};

}  // namespace quorvel

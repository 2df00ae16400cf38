// The rows of an item island grouped by the header they belong to, built once per load.
//
// A header's rows are those whose selection attribute equals the header's "iKey" as XPath's
// "[@attribute = iKey]" compares them: as numbers when the key is a number ("07" matches 7, a
// row whose value is no number matches nothing), and as exact text when it is not.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xml/document.hpp"

namespace quorvel {

class RowIndex {
 public:
  // Indexes `rows` by their attribute `keyAttribute`; rows without it belong to no header.
  RowIndex(const std::vector<xml::Row>& rows, const char* keyAttribute);

  // The rows that belong to the header keyed `headerKey`, in document order.
  const std::vector<xml::Row>& RowsFor(std::string_view headerKey) const;

 private:
  std::unordered_map<double, std::vector<xml::Row>> byNumber_;
  std::unordered_map<std::string, std::vector<xml::Row>> byText_;
  std::vector<xml::Row> none_;
};

}  // namespace quorvel

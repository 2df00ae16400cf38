#include "reference/row_index.hpp"

#include <optional>

#include "xml/xpath_number.hpp"

namespace quorvel {

RowIndex::RowIndex(const std::vector<xml::Row>& rows, const char* keyAttribute) {
  for (const xml::Row& row : rows) {
    const std::optional<std::string_view> value = row.element.Attribute(keyAttribute);
    if (!value) continue;
    if (const std::optional<double> number = xml::XPathNumber(*value)) {
      byNumber_[*number].push_back(row);
    } else {
      byText_[std::string(*value)].push_back(row);
    }
  }
}

const std::vector<xml::Row>& RowIndex::RowsFor(std::string_view headerKey) const {
  if (const std::optional<double> number = xml::XPathNumber(headerKey)) {
    const auto found = byNumber_.find(*number);
    return found == byNumber_.end() ? none_ : found->second;
  }
  const auto found = byText_.find(std::string(headerKey));
  return found == byText_.end() ? none_ : found->second;
}

}  // namespace quorvel

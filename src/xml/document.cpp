#include "xml/document.hpp"

#include <cstring>

#include "xml/same_bytes.hpp"
#include "xml/wellformed/well_formed.hpp"

static_assert(quorvel::xml::Element::kNoShape == quorvel::xml::ElementNames::kNoShape);

namespace quorvel::xml {
namespace {

constexpr char kRowName[] = "z:row";
// Room for the rows of most documents at once.
constexpr std::size_t kRowsReserved = 64;

}  // namespace

std::optional<std::string_view> Element::Attribute(const char* name) const {
  const pugi::xml_attribute attribute = node_.attribute(name);
  if (!attribute) return std::nullopt;
  return std::string_view(attribute.value());
}

ParseOutcome Document::Parse(std::string_view text) {
  document_.reset();  // before the text it points into changes
  rows_.clear();
  rows_.reserve(kRowsReserved);
  const std::optional<Refusal> refusal = ParseWellFormed(text, text_, document_, [&](pugi::xml_node element, std::uint32_t shape) {
    if (SameBytes(element.name(), kRowName, sizeof kRowName)) rows_.push_back({element, shape});
  });
  if (!refusal) return {true, "", 0};
  document_.reset();
  rows_.clear();
  return {false, refusal->rule, refusal->offset};
}

std::vector<Row> Document::RowsetRows() const {
  std::vector<Row> rows;
  const pugi::xml_node root = document_.document_element();
  if (std::strcmp(root.name(), "xml") != 0) return rows;
  int number = 0;
  for (const ShapedRow& row : rows_) {
    const pugi::xml_node data = row.node.parent();
    if (data.parent() == root && std::strcmp(data.name(), "rs:data") == 0) {
      rows.push_back({Element(row.node, row.shape), ++number});
    }
  }
  return rows;
}

}  // namespace quorvel::xml

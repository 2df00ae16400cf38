#include "xml/document.hpp"

#include <cstring>
#include <new>

#include "xml/element_names.hpp"
#include "xml/markup_scan.hpp"
#include "xml/same_bytes.hpp"

static_assert(quorvel::xml::Element::kNoShape == quorvel::xml::ElementNames::kNoShape);

namespace quorvel::xml {
namespace {

constexpr char kRowName[] = "z:row";
// Room for the rows of most documents at once.
constexpr std::size_t kRowsReserved = 64;

}  // namespace

bool Document::IsRow(pugi::xml_node node) {
  return node.type() == pugi::node_element && SameBytes(node.name(), kRowName, sizeof kRowName);
}

std::optional<std::string_view> Element::Attribute(const char* name) const {
  const pugi::xml_attribute attribute = node_.attribute(name);
  if (!attribute) return std::nullopt;
  return std::string_view(attribute.value());
}

ParseOutcome Document::Parse(std::string_view text) {
  document_.reset();  // before the text it points into changes
  rows_.clear();
  if (std::optional<Refusal> refusal = ScanMarkup(text)) return {false, std::move(refusal->rule), refusal->offset};
  text_.reserve(text.size() + kStoragePadding);
  text_.assign(text);
  text_.append(kStoragePadding, '\0');
  const pugi::xml_parse_result result =
      document_.load_buffer_inplace(text_.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (result.status == pugi::status_out_of_memory) throw std::bad_alloc();
  std::optional<ParseOutcome> fault;
  if (!result) {
    fault = ParseOutcome{false, result.description(), static_cast<std::size_t>(result.offset)};
  } else {
    fault = CheckElements();
  }
  if (!fault) return {true, "", 0};
  document_.reset();
  rows_.clear();
  return *fault;
}

std::optional<ParseOutcome> Document::CheckElements() {
  ElementNames names(Storage());
  rows_.reserve(kRowsReserved);
  int depth = 1;
  pugi::xml_node node = document_.first_child();
  while (node) {
    if (node.type() == pugi::node_element) {
      if (auto refusal = names.Check(node, depth)) return ParseOutcome{false, std::move(refusal->rule), refusal->offset};
      if (IsRow(node)) rows_.push_back({node, names.LastShape()});
      if (node.first_child()) {
        node = node.first_child();
        ++depth;
        continue;
      }
    }
    while (node && !node.next_sibling()) {
      node = node.parent();
      --depth;
    }
    if (node) node = node.next_sibling();
  }
  return std::nullopt;
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

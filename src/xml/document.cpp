#include "xml/document.hpp"

#include <cstring>

#include "xml/columns.hpp"
#include "xml/transaction_rows.hpp"

namespace quorvel::xml {
namespace {

constexpr const char* kRowName = "z:row";

// The columns that select the rows, and nothing else.
const ColumnNames& SelectionColumnNames() {
  static const ColumnNames names{"head", "detail", "IsSubItem", "IsDeleted"};
  return names;
}

// pugixml accepts text before the document element and several document elements; an XML
// document has neither.
std::optional<ParseOutcome> StrayContent(std::string_view text, const pugi::xml_document& document) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  const bool startsWithBom = text.substr(first == std::string_view::npos ? 0 : first, 3) == "\xEF\xBB\xBF";
  if (first != std::string_view::npos && text[first] != '<' && !startsWithBom) {
    return ParseOutcome{false, "Text before the document element", first};
  }
  int elements = 0;
  for (pugi::xml_node node : document.children()) elements += node.type() == pugi::node_element;
  if (elements > 1) return ParseOutcome{false, "More than one document element", text.size()};
  return std::nullopt;
}

}  // namespace

bool Document::IsRow(pugi::xml_node node) {
  return node.type() == pugi::node_element && std::strcmp(node.name(), kRowName) == 0;
}

std::optional<std::string_view> Element::Attribute(const char* name) const {
  const pugi::xml_attribute attribute = node_.attribute(name);
  if (!attribute) return std::nullopt;
  return std::string_view(attribute.value());
}

ParseOutcome Document::Parse(std::string_view text) {
  document_.reset();  // before the text it points into changes
  text_.assign(text);
  const pugi::xml_parse_result result =
      document_.load_buffer_inplace(text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
  std::optional<ParseOutcome> fault;
  if (!result) {
    fault = ParseOutcome{false, result.description(), static_cast<std::size_t>(result.offset)};
  } else {
    fault = StrayContent(text, document_);
  }
  if (!fault) return {true, "", 0};
  document_.reset();
  return *fault;
}

std::vector<Row> Document::RowsetRows() const {
  std::vector<Row> rows;
  int number = 0;
  for (pugi::xml_node data : document_.child("xml").children("rs:data")) {
    for (pugi::xml_node row : data.children(kRowName)) rows.push_back({Element(row), ++number});
  }
  return rows;
}

std::optional<Element> Document::HeaderRow() const {
  const TransactionRows rows = SelectTransactionRows(*this, SelectionColumnNames());
  if (!rows.header) return std::nullopt;
  return rows.header->element;
}

std::vector<Row> Document::DetailRows() const {
  std::vector<Row> details;
  for (const SelectedRow& row : SelectTransactionRows(*this, SelectionColumnNames()).details) {
    details.push_back({row.element, row.number});
  }
  return details;
}

}  // namespace quorvel::xml

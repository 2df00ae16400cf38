// Access to XML documents: parsing a text and finding the rows and attributes the engine reads.
//
// Rows are the elements written "z:row", as rowset documents write them. Nothing outside the
// given text is ever read: a document with a DTD is refused, and so is every text that is not
// well-formed XML (wellformed/well_formed.hpp).
#pragma once

#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::xml {

// An element of a parsed document. It lives as long as its document.
class Element {
 public:
  explicit Element(pugi::xml_node node, std::uint32_t shape = kNoShape) : node_(node), shape_(shape) {}

  // The shape of the element's attribute names (see wellformed/element_names.hpp), or kNoShape when
  // unknown: two elements of one document with the same shape other than kNoShape have the same
  // attribute names in the same order.
  std::uint32_t Shape() const { return shape_; }
  static constexpr std::uint32_t kNoShape = 0;

  // The value of the attribute named exactly `name` (case-sensitive), or nothing when absent.
  std::optional<std::string_view> Attribute(const char* name) const;
  // Calls `visit(name, value)` for every attribute, in document order.
  template <typename Visit>
  void ForEachAttribute(Visit&& visit) const {
    for (pugi::xml_attribute attribute = node_.first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
      visit(attribute.name(), attribute.value());
    }
  }

 private:
  pugi::xml_node node_;
  std::uint32_t shape_;
};

// A row with its 1-based position among the rows of its document, for messages.
struct Row {
  Element element;
  int number;
};

// Whether a text parsed, and if not, why and where.
struct ParseOutcome {
  bool parsed;
  std::string reason;   // empty when parsed
  std::size_t offset;   // byte offset of the fault
};

// A parsed XML document.
class Document {
 public:
  Document() = default;
  // The parsed document points into text_, which a move of a short text would not keep in place.
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Parses `text` as a whole document. A text that is not well-formed XML 1.0 with namespaces,
  // in UTF-8 and without a DTD, leaves a document without rows. Throws std::bad_alloc when memory
  // runs out: that says nothing of the text.
  ParseOutcome Parse(std::string_view text);

  // The bytes the parsed document lives in, followed by kStoragePadding NULs
  // (wellformed/well_formed.hpp): element names, attribute names and values point into them, and
  // 16 bytes from any of them may be read.
  std::string_view Storage() const { return std::string_view(text_.c_str(), text_.size() + 1); }

  // "xml/rs:data/z:row": the rows of a rowset document, in document order, numbered from 1.
  std::vector<Row> RowsetRows() const;

  // Calls `visit(row, number)` for every row at any depth, in document order, `number` being its
  // 1-based position among them.
  template <typename Visit>
  void ForEachRow(Visit&& visit) const {
    int number = 0;
    for (const ShapedRow& row : rows_) visit(Element(row.node, row.shape), ++number);
  }

 private:
  std::string text_;  // parsed in place, so that names are known to lie in it; padded
  pugi::xml_document document_;
  struct ShapedRow {
    pugi::xml_node node;
    std::uint32_t shape;
  };
  std::vector<ShapedRow> rows_;  // every row at any depth, in document order
};

}  // namespace quorvel::xml

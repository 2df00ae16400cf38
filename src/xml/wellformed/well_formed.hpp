// Parsing a text only when it is well-formed XML 1.0 with namespaces, in UTF-8 and without a DTD,
// in one call. pugixml parses; what it leaves unchecked is checked around it: the raw text before
// it parses (markup_scan.hpp, characters.hpp), the names of every element after (element_names.hpp).
//
// The row reader (xml/columns.hpp) takes two things from these checks and nothing more: the shape
// number of each element, with which it reads a row shaped as the row before without comparing
// its names, and the kStoragePadding NULs after the text, which let it and the name checks
// compare names a word at a time without measuring them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "xml/wellformed/element_names.hpp"
#include "xml/wellformed/markup_scan.hpp"
#include "xml/wellformed/refusal.hpp"

namespace quorvel::xml {

inline constexpr std::size_t kStoragePadding = 16;

// Parses `text` into `document`, in place in `storage`, which then holds the text and
// kStoragePadding NULs; calls `onElement(element, shape)` for every element checked, in document
// order. Returns the first rule the text breaks, or nothing. Throws std::bad_alloc when memory
// runs out: that says nothing of the text.
template <typename OnElement>
std::optional<Refusal> ParseWellFormed(std::string_view text, std::string& storage, pugi::xml_document& document,
                                       OnElement&& onElement) {
  if (std::optional<Refusal> refusal = ScanMarkup(text)) return refusal;
  storage.reserve(text.size() + kStoragePadding);
  storage.assign(text).append(kStoragePadding, '\0');
  const pugi::xml_parse_result parsed =
      document.load_buffer_inplace(storage.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (parsed.status == pugi::status_out_of_memory) throw std::bad_alloc();
  if (!parsed) return Refusal{parsed.description(), static_cast<std::size_t>(parsed.offset)};
  ElementNames names(std::string_view(storage.c_str(), storage.size() + 1));
  int depth = 1;
  pugi::xml_node node = document.first_child();
  while (node) {
    if (node.type() == pugi::node_element) {
      if (std::optional<Refusal> refusal = names.Check(node, depth)) return refusal;
      onElement(node, names.LastShape());
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

}  // namespace quorvel::xml

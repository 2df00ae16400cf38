#include "xml/wellformed/element_names.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "xml/same_bytes.hpp"

namespace quorvel::xml {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";
// Attributes checked pair by pair up to this many; sorted beyond.
constexpr std::size_t kPairwise = 24;

std::string Quote(std::string_view text) {
  constexpr std::size_t kShown = 40;
  return "\"" + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

// The first colon of a name, or npos: names are short, and most have none.
std::size_t ColonOf(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == ':') return i;
  }
  return std::string_view::npos;
}

// The prefix of a qualified name, or nothing when it has none.
std::optional<std::string_view> PrefixOf(std::string_view name) {
  const std::size_t colon = ColonOf(name);
  if (colon == std::string_view::npos) return std::nullopt;
  return name.substr(0, colon);
}

// Whether `name`, whose first colon is at `colon`, is a qualified name: at most one colon, with a
// name on either side of it.
bool IsQualifiedName(std::string_view name, std::size_t colon) {
  if (colon == std::string_view::npos) return true;
  if (colon == 0 || colon + 1 == name.size() || name.find(':', colon + 1) != std::string_view::npos) return false;
  const char local = name[colon + 1];  // a name start, as pugixml has checked the rest
  return !(local >= '0' && local <= '9') && local != '-' && local != '.';
}

bool IsDeclaration(std::string_view name) { return name == "xmlns" || name.starts_with("xmlns:"); }

}  // namespace

ElementNames::ElementNames(std::string_view storage) : storage_(storage) {
  constexpr std::size_t kAttributesReserved = 32;  // more than rows usually have
  attributes_.reserve(kAttributesReserved);
  constexpr std::size_t kBindingsReserved = 8;  // rowsets declare four
  bindings_.reserve(kBindingsReserved);
}

ElementNames::Name ElementNames::Known(const char* text, std::size_t length) {
  Name name{text, length};
  const std::size_t bytes = length + 1;  // the NUL included
  std::memcpy(&name.first, text, std::min<std::size_t>(bytes, 8));
  name.firstMask = bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
  if (bytes > kWordCompared) {
    // Only the first word is compared: the last one might lie past the end of a shorter name.
    name.last = name.first;
    name.lastMask = name.firstMask;
  } else if (bytes > 8) {
    name.lastOffset = bytes - 8;
    std::memcpy(&name.last, text + name.lastOffset, 8);
    name.lastMask = ~std::uint64_t{0};
  }
  return name;
}

bool ElementNames::SameName(const Name& a, const Name& b) {
  if (a.length != b.length || a.first != b.first || a.last != b.last) return false;
  return a.length + 1 <= kWordCompared || std::strcmp(a.text, b.text) == 0;
}

// Compares the name and its NUL with two word loads, without a branch on the length: the first
// 8 bytes and the last 8; names longer than 15 bytes are compared whole once their first 8 bytes
// match. The names of a document parsed in place lie in Document::Storage(), which has room for
// the loads after its last name.
[[gnu::always_inline]] inline bool ElementNames::Same(const char* name, const Name& known) const {
  static_assert(std::endian::native == std::endian::little, "the words of Known hold the first byte lowest");
  const std::uint64_t first = (LoadWord<std::uint64_t>(name) ^ known.first) & known.firstMask;
  const std::uint64_t last = (LoadWord<std::uint64_t>(name + known.lastOffset) ^ known.last) & known.lastMask;
  if ((first | last) != 0) return false;
  return known.length + 1 <= kWordCompared || std::strcmp(name, known.text) == 0;
}

std::optional<Refusal> ElementNames::Check(pugi::xml_node element, int depth) {
  while (!bindings_.empty() && bindings_.back().depth >= depth) {
    bindings_.pop_back();
    ++scopeVersion_;
  }
  if (AttributesAsLastChecked(element)) {
    lastShape_ = shapeNumbers_[lastMatched_];
  } else {
    lastShape_ = kNoShape;
    if (auto refusal = CheckAttributes(element, depth)) return refusal;
  }
  const char* const name = element.name();
  if (lastElement_.text && lastElementScope_ == scopeVersion_ && Same(name, lastElement_)) return std::nullopt;
  return CheckElementName(name);
}

bool ElementNames::AttributesAsLastChecked(pugi::xml_node element) {
  for (std::size_t tried = 0; tried < shapeCount_; ++tried) {
    // Not a remainder: a division per element costs more than the compares it saves.
    const std::size_t next = lastMatched_ + tried;
    const std::size_t shape = next < shapeCount_ ? next : next - shapeCount_;
    if (HasShape(element, shapes_[shape])) {
      lastMatched_ = shape;
      return true;
    }
  }
  return false;
}

bool ElementNames::HasShape(pugi::xml_node element, const std::vector<Name>& shape) const {
  std::size_t position = 0;
  for (pugi::xml_attribute attribute = element.first_attribute(); attribute;
       attribute = attribute.next_attribute(), ++position) {
    if (position == shape.size() || !Same(attribute.name(), shape[position])) return false;
  }
  return position == shape.size();
}

std::optional<Refusal> ElementNames::CheckAttributes(pugi::xml_node element, int depth) {
  attributes_.clear();
  bool plain = true;
  for (pugi::xml_attribute attribute = element.first_attribute(); attribute; attribute = attribute.next_attribute()) {
    const Name name = Known(attribute.name(), std::strlen(attribute.name()));
    const std::string_view text(name.text, name.length);
    const std::size_t colon = ColonOf(text);
    if (!IsQualifiedName(text, colon)) return Refusal{"the attribute name " + Quote(text) + " is not a qualified name", Offset(name.text)};
    if (IsDeclaration(text)) {
      if (auto refusal = CheckDeclaration(name, attribute.value(), depth)) return refusal;
      plain = false;
    } else if (colon != std::string_view::npos) {
      plain = false;
    }
    attributes_.push_back(name);
  }
  // Two attributes of one name.
  const auto byText = [](const Name& a, const Name& b) {
    return std::string_view(a.text, a.length) < std::string_view(b.text, b.length);
  };
  std::vector<Name> sorted;
  if (attributes_.size() > kPairwise) {
    sorted = attributes_;
    std::sort(sorted.begin(), sorted.end(), byText);
  }
  const std::vector<Name>& names = sorted.empty() ? attributes_ : sorted;
  for (std::size_t i = 1; i < names.size(); ++i) {
    const std::size_t first = sorted.empty() ? 0 : i - 1;
    for (std::size_t j = first; j < i; ++j) {
      if (SameName(names[i], names[j])) {
        const Name& later = names[i].text > names[j].text ? names[i] : names[j];
        return Refusal{"duplicate attribute " + Quote(std::string_view(later.text, later.length)), Offset(later.text)};
      }
    }
  }
  // Prefixed attributes: bound prefixes, and no two of one namespace and local name.
  if (!plain) {
    std::vector<std::pair<std::string_view, std::string_view>> expanded;  // namespace, local name
    for (const Name& name : attributes_) {
      const std::string_view text(name.text, name.length);
      const auto prefix = PrefixOf(text);
      if (!prefix || *prefix == "xmlns") continue;
      const auto uri = Resolve(*prefix);
      if (!uri) return Refusal{"the prefix " + Quote(*prefix) + " is bound to no namespace", Offset(name.text)};
      const std::pair<std::string_view, std::string_view> expandedName{*uri, text.substr(prefix->size() + 1)};
      if (std::find(expanded.begin(), expanded.end(), expandedName) != expanded.end()) {
        return Refusal{"duplicate attribute " + Quote(text) + " (the same namespace and local name)", Offset(name.text)};
      }
      expanded.push_back(expandedName);
    }
  }
  if (plain && !attributes_.empty() && shapesStored_ != std::numeric_limits<std::uint32_t>::max()) {
    // Kept among the shapes rows are compared with first, the oldest giving way.
    const std::size_t slot = shapeCount_ < kShapes ? shapeCount_++ : (lastMatched_ + 1) % kShapes;
    shapes_[slot].assign(attributes_.begin(), attributes_.end());
    shapeNumbers_[slot] = ++shapesStored_;
    lastShape_ = shapesStored_;
    lastMatched_ = slot;
  }
  return std::nullopt;
}

std::optional<Refusal> ElementNames::CheckDeclaration(const Name& name, std::string_view uri, int depth) {
  const std::string_view text(name.text, name.length);
  const std::string_view prefix = text == "xmlns" ? std::string_view() : text.substr(6);
  const auto refuse = [&](const std::string& rule) { return Refusal{rule, Offset(name.text)}; };
  if (prefix == "xmlns") return refuse("the prefix \"xmlns\" cannot be declared");
  if (!prefix.empty() && uri.empty()) return refuse("the prefix " + Quote(prefix) + " is bound to an empty namespace name");
  if ((prefix == "xml") != (uri == kXmlNamespace)) {
    return refuse(prefix == "xml" ? "the prefix \"xml\" bound to another namespace than its own"
                                  : "the namespace of the prefix \"xml\" bound to another prefix");
  }
  if (uri == kXmlnsNamespace) return refuse("the namespace of the prefix \"xmlns\" cannot be declared");
  if (!prefix.empty()) {
    bindings_.push_back({prefix, uri, depth});
    ++scopeVersion_;
  }
  return std::nullopt;
}

std::optional<Refusal> ElementNames::CheckElementName(const char* name) {
  const std::string_view text(name);
  if (!IsQualifiedName(text, ColonOf(text))) return Refusal{"the element name " + Quote(text) + " is not a qualified name", Offset(name)};
  if (const auto prefix = PrefixOf(text)) {
    if (*prefix == "xmlns" || !Resolve(*prefix)) {
      return Refusal{"the prefix " + Quote(*prefix) + " is bound to no namespace", Offset(name)};
    }
  }
  lastElement_ = Known(name, text.size());
  lastElementScope_ = scopeVersion_;
  return std::nullopt;
}

std::optional<std::string_view> ElementNames::Resolve(std::string_view prefix) const {
  if (prefix == "xml") return kXmlNamespace;
  for (auto binding = bindings_.rbegin(); binding != bindings_.rend(); ++binding) {
    if (binding->prefix == prefix) return binding->uri;
  }
  return std::nullopt;
}

}  // namespace quorvel::xml

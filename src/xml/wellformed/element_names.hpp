// The rules of well-formed XML with namespaces that concern the names of elements and
// attributes, checked element by element over a parsed document: no attribute twice on one
// element, at most one colon in a name and never at its ends, every prefix bound by a namespace
// declaration in scope, and the reserved prefixes xml and xmlns kept to their own namespaces.
//
// Rows repeat the attribute names of a row before, in the same order: an element whose
// attributes have exactly the names of one of the last few elements checked in full, none of
// them prefixed, passes on one compare per name. Such a list of names is a shape; two elements
// given the same shape number have the same attribute names in the same order, which spares the
// column reader its own compares.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

#include "xml/wellformed/refusal.hpp"

namespace quorvel::xml {

class ElementNames {
 public:
  // A checker for the elements of a document parsed in place in `storage`, terminating NUL
  // included (Document::Storage()).
  explicit ElementNames(std::string_view storage);

  // Checks `element` at `depth` (the root element at 1), the elements being given in document
  // order.
  std::optional<Refusal> Check(pugi::xml_node element, int depth);

  // The shape of the element checked last, or kNoShape when its attributes are none, prefixed or
  // declare a namespace.
  std::uint32_t LastShape() const { return lastShape_; }
  static constexpr std::uint32_t kNoShape = 0;

 private:
  struct Name {
    const char* text;
    std::size_t length;
    // The first 8 bytes of the name with its NUL and the 8 from lastOffset (the last 8 when
    // there are more than 8), each with a mask of the bytes that count: the whole name when it
    // has at most kWordCompared bytes with its NUL.
    std::uint64_t first = 0;
    std::uint64_t firstMask = 0;
    std::size_t lastOffset = 0;
    std::uint64_t last = 0;
    std::uint64_t lastMask = 0;
  };
  static constexpr std::size_t kWordCompared = 16;
  // `text`, of `length` bytes, with its words for Same.
  static Name Known(const char* text, std::size_t length);
  struct Binding {
    std::string_view prefix;
    std::string_view uri;
    int depth;
  };

  bool Same(const char* name, const Name& known) const;
  std::size_t Offset(const char* at) const { return static_cast<std::size_t>(at - storage_.data()); }
  // Whether the attributes of `element` have exactly the names of one of the shapes, in order.
  bool AttributesAsLastChecked(pugi::xml_node element);
  bool HasShape(pugi::xml_node element, const std::vector<Name>& shape) const;
  static bool SameName(const Name& a, const Name& b);
  std::optional<Refusal> CheckAttributes(pugi::xml_node element, int depth);
  std::optional<Refusal> CheckDeclaration(const Name& name, std::string_view uri, int depth);
  // The name of an element other than the last one checked in the same scope.
  std::optional<Refusal> CheckElementName(const char* name);
  // The namespace `prefix` is bound to, or nothing.
  std::optional<std::string_view> Resolve(std::string_view prefix) const;

  std::string_view storage_;
  std::vector<Binding> bindings_;      // the declarations in scope, innermost last
  std::uint64_t scopeVersion_ = 0;     // changes whenever bindings_ does
  // The attribute names of the last elements checked in full that declared nothing and had no
  // prefixed attribute: islands cycle through a few shapes of rows.
  static constexpr std::size_t kShapes = 4;
  std::array<std::vector<Name>, kShapes> shapes_;
  std::array<std::uint32_t, kShapes> shapeNumbers_{};  // numbered as they are stored, from 1
  std::uint32_t shapesStored_ = 0;
  std::uint32_t lastShape_ = kNoShape;
  std::size_t shapeCount_ = 0;
  std::size_t lastMatched_ = 0;       // the shape tried first
  Name lastElement_{nullptr, 0};       // the last element name checked in full
  std::uint64_t lastElementScope_ = 0; // ... under this scopeVersion_
  std::vector<Name> attributes_;       // scratch for CheckAttributes
};

}  // namespace quorvel::xml

// The attribute reader: an attribute's value, or the caller's default when the element has no
// attribute of that name. An attribute that is present but empty gives "", not the default.
#pragma once

#include <string_view>

#include "xml/document.hpp"

namespace quorvel::xml {

// The value of `element`'s attribute `name`, or `defaultValue` when it has none.
inline std::string_view ReadAttribute(const Element& element, const char* name,
                                      std::string_view defaultValue) {
  return element.Attribute(name).value_or(defaultValue);
}

}  // namespace quorvel::xml

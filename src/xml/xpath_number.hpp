// How XPath reads a text as a number when it compares an attribute with a number literal.
#pragma once

#include <optional>
#include <string_view>

namespace quorvel::xml {

// The text as XPath's number(): optional whitespace, an optional "-", digits with an optional
// "." fraction, optional whitespace. Nothing when the text is no such number (XPath's NaN).
std::optional<double> XPathNumber(std::string_view text);

}  // namespace quorvel::xml

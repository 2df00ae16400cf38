// The rules of well-formed XML that pugixml leaves unchecked in the markup, looked for in one
// pass over the raw text before it is parsed: references ("&amp;", "&#38;"), "<" in attribute
// values, comments, CDATA sections and "]]>", processing instructions and the XML declaration,
// DTDs (never accepted), and anything but blanks, comments and processing instructions outside
// the root element.
//
// The pass follows the markup only as far as these rules need it; what pugixml checks itself
// (tag and attribute syntax, matching end tags) it leaves to pugixml, which parses the text next.
#pragma once

#include <optional>
#include <string_view>

#include "xml/refusal.hpp"

namespace quorvel::xml {

// The first rule above that `text` breaks, or nothing.
std::optional<Refusal> ScanMarkup(std::string_view text);

// The same pass with the instructions every processor of the build's kind has.
std::optional<Refusal> ScanMarkupBaseline(std::string_view text);

// A version of the pass.
using MarkupPass = std::optional<Refusal> (*)(std::string_view text);
// The version with wider instructions that ScanMarkup takes on this processor, or nullptr when it
// takes the baseline: they must always agree.
MarkupPass WiderMarkupPass();

#if defined(QUORVEL_SCAN_AVX2)
// The pass compiled for AVX2, and whether this processor can run it.
std::optional<Refusal> ScanMarkupAvx2(std::string_view text);
bool HasAvx2();
#endif

}  // namespace quorvel::xml

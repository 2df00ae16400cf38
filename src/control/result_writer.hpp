// The result rowset: one row per tax line with a tax, written character for character.
#pragma once

#include <string>
#include <string_view>

#include "lines/tax_lines.hpp"

namespace quorvel {

// The result document for `taxLines` and the taxed-items list.
std::string WriteResultRowset(const CTaxLines& taxLines, std::string_view taxedItems);

// Appends `text` with &, <, > and " written as entities, so that a value cannot break out of
// its attribute. A text without them is appended unchanged.
void AppendEscaped(std::string& out, std::string_view text);

}  // namespace quorvel

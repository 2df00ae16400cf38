// Keys as the result shows them, with one letter left out wherever it stands: the taxed-items
// list drops every capital I of an item key, the result rows every capital K of a tax key.
#pragma once

#include <string_view>

namespace quorvel {

// Calls `piece(part)` for each part of `key` between the occurrences of `letter`, in order:
// together they are the key without that letter ("IAI9" without 'I' gives "", "A", "9").
template <typename Piece>
void ForEachPartWithoutLetter(std::string_view key, char letter, Piece&& piece) {
  for (std::size_t start = 0;;) {
    const std::size_t at = key.find(letter, start);
    piece(key.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) return;
    start = at + 1;
  }
}

}  // namespace quorvel

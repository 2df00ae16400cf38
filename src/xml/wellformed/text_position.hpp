// Where a byte offset lies in a text, for messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::xml {

// "line L, column C" of the byte `offset` of `text`, both counted from 1.
inline std::string TextPosition(std::string_view text, std::size_t offset) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace quorvel::xml

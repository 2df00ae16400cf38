// Where a byte offset lies in a text, for messages.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::xml {

// "line L, column C" of the byte `offset` of `text`, both counted from 1.
inline std::string TextPosition(std::string_view text, std::size_t offset) {
  const std::string_view before = text.substr(0, offset);
  const std::size_t lineStart = before.rfind('\n') + 1;  // 0 on the first line (npos + 1)
  return "line " + std::to_string(std::count(before.begin(), before.end(), '\n') + 1) + ", column " +
         std::to_string(before.size() - lineStart + 1);
}

}  // namespace quorvel::xml

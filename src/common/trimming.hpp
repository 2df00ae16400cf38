// The three trimming rules. What counts as padding depends on what the text is: keys and the
// texts the result shows lose spaces only, numbers and Booleans lose blanks (spaces and tabs),
// and numbers read the way XPath reads them lose XML whitespace.
#pragma once

#include <string_view>

namespace quorvel {
namespace trimming {

inline bool IsSpace(char c) { return c == ' '; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsXmlWhitespace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

template <bool (*IsPadding)(char)>
std::string_view WithoutTrailing(std::string_view text) {
  while (!text.empty() && IsPadding(text.back())) text.remove_suffix(1);
  return text;
}

template <bool (*IsPadding)(char)>
std::string_view WithoutPadding(std::string_view text) {
  while (!text.empty() && IsPadding(text.front())) text.remove_prefix(1);
  return WithoutTrailing<IsPadding>(text);
}

}  // namespace trimming

// A key or a result text with the spaces at both ends removed (tabs and line breaks stay).
inline std::string_view TrimSpaces(std::string_view text) {
  return trimming::WithoutPadding<trimming::IsSpace>(text);
}

// A key with the spaces at its end removed.
inline std::string_view TrimTrailingSpaces(std::string_view text) {
  return trimming::WithoutTrailing<trimming::IsSpace>(text);
}

// A number or Boolean text with the spaces and tabs at both ends removed.
inline std::string_view TrimBlanks(std::string_view text) {
  return trimming::WithoutPadding<trimming::IsBlank>(text);
}

// A text with the XML whitespace (space, tab, carriage return, line feed) at both ends removed.
inline std::string_view TrimXmlWhitespace(std::string_view text) {
  return trimming::WithoutPadding<trimming::IsXmlWhitespace>(text);
}

}  // namespace quorvel

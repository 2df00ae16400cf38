// The characters of a document: UTF-8 throughout, and only those XML 1.0 allows.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "xml/wellformed/refusal.hpp"

namespace quorvel::xml {

// Whether XML 1.0 allows the character `code`: TAB, LF, CR, U+0020-U+D7FF, U+E000-U+FFFD and
// U+10000-U+10FFFF.
bool IsXmlChar(std::uint32_t code);

// A UTF-16 or UTF-32 byte-order mark at the start of `text`, or nothing.
std::optional<Refusal> CheckByteOrderMark(std::string_view text);

// The first byte of `text` that is not well-formed UTF-8 or encodes a character XML does not
// allow (a control character, U+FFFE, U+FFFF), or nothing. Offsets count from `offset`: the
// offset of `text` in its document.
std::optional<Refusal> CheckCharacters(std::string_view text, std::size_t offset = 0);

// Checks the character that starts at `at` (not printable ASCII): past it, or nullptr with
// `refusal` set, its offset counted from `begin`.
const char* CheckCharacter(const char* at, const char* end, std::optional<Refusal>& refusal, const char* begin);

}  // namespace quorvel::xml

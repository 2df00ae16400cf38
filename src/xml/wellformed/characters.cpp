#include "xml/wellformed/characters.hpp"

#include <cstdio>

namespace quorvel::xml {
namespace {

std::string Hex(std::uint32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
  return text;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at `at` (2 to 4), its character in `code`; 0 when
// the bytes are no such sequence (overlong forms, surrogates and codes past U+10FFFF included).
std::size_t DecodeSequence(const unsigned char* at, const unsigned char* end, std::uint32_t& code) {
  const unsigned char lead = at[0];
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (static_cast<std::size_t>(end - at) < length || at[1] < low || at[1] > high) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(at[i])) return 0;
    code = (code << 6) | (at[i] & 0x3F);
  }
  return length;
}

}  // namespace

bool IsXmlChar(std::uint32_t code) {
  if (code < 0x20) return code == 0x9 || code == 0xA || code == 0xD;
  return code <= 0xD7FF || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

std::optional<Refusal> CheckByteOrderMark(std::string_view text) {
  if (text.starts_with(std::string_view("\0\0\xFE\xFF", 4)) || text.starts_with(std::string_view("\xFF\xFE\0\0", 4))) {
    return Refusal{"a UTF-32 byte-order mark: documents are read as UTF-8", 0};
  }
  if (text.starts_with("\xFE\xFF") || text.starts_with("\xFF\xFE")) {
    return Refusal{"a UTF-16 byte-order mark: documents are read as UTF-8", 0};
  }
  return std::nullopt;
}

const char* CheckCharacter(const char* at, const char* end, std::optional<Refusal>& refusal, const char* begin) {
  const auto byte = static_cast<unsigned char>(*at);
  if (byte < 0x80) {
    if (!IsXmlChar(byte)) refusal = Refusal{"the control character " + Hex(byte) + " is not allowed", static_cast<std::size_t>(at - begin)};
    return refusal ? nullptr : at + 1;
  }
  std::uint32_t code = 0;
  const std::size_t length = DecodeSequence(reinterpret_cast<const unsigned char*>(at), reinterpret_cast<const unsigned char*>(end), code);
  if (length == 0) {
    refusal = Refusal{"malformed UTF-8", static_cast<std::size_t>(at - begin)};
  } else if (!IsXmlChar(code)) {
    refusal = Refusal{"the character " + Hex(code) + " is not allowed", static_cast<std::size_t>(at - begin)};
  }
  return refusal ? nullptr : at + length;
}

std::optional<Refusal> CheckCharacters(std::string_view text, std::size_t offset) {
  const char* const end = text.data() + text.size();
  const char* const begin = text.data() - offset;
  std::optional<Refusal> refusal;
  for (const char* at = text.data(); at != end;) {
    const auto byte = static_cast<unsigned char>(*at);
    at = byte >= 0x20 && byte < 0x80 ? at + 1 : CheckCharacter(at, end, refusal, begin);
    if (!at) return refusal;
  }
  return std::nullopt;
}

}  // namespace quorvel::xml

// The bytes the markup pass stops at, and the portable way of finding them: one look-up in a
// table of 256 entries per byte. The versions with vector instructions (vector_bytes.hpp) find
// the same bytes many at a time.
#pragma once

#include <array>
#include <cstdint>

namespace quorvel::xml {
namespace {

// < & > " ' and every byte that is not printable ASCII but the blanks TAB, LF and CR: where
// markup or a check begins. The rest of a document interests nobody.
constexpr std::array<bool, 256> kSpecialByte = [] {
  std::array<bool, 256> special{};
  for (int byte = 0; byte < 256; ++byte) special[byte] = byte < 0x20 || byte >= 0x80;
  for (const unsigned char byte : {'\t', '\n', '\r'}) special[byte] = false;
  for (const unsigned char byte : {'<', '&', '>', '"', '\''}) special[byte] = true;
  return special;
}();

// The version for every processor, WebAssembly's included.
struct PortableBytes {
  static constexpr bool kVectors = false;

  // The first special byte in [from, end), or `end`.
  static const char* NextSpecial(const char* from, const char* end) {
    while (from != end && !kSpecialByte[static_cast<unsigned char>(*from)]) ++from;
    return from;
  }
};

}  // namespace
}  // namespace quorvel::xml

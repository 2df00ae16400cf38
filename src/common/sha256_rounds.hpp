// What the portable SHA-256 (sha256.cpp) and the one with the x86 SHA extensions
// (sha256_x86.cpp, built only where QUORVEL_SHA_X86 is defined) share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvel {

extern const std::array<std::uint32_t, 64> kSha256RoundConstants;

// Whether this processor has the SHA extensions (and the SSE4.1 the rounds use beside them).
bool HasShaExtensions();
// Runs the rounds on `count` 64-byte blocks. Only where HasShaExtensions().
void CompressWithShaExtensions(std::array<std::uint32_t, 8>& state, const unsigned char* blocks, std::size_t count);

}  // namespace quorvel

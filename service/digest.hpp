// SHA-256 digests (OpenSSL's libcrypto), for the admin token.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::service {

using Digest = std::array<unsigned char, 32>;

// The digest of the texts one after the other, as if joined.
Digest Sha256(const std::vector<std::string_view>& texts);

// The first `digits` hexadecimal digits of a digest, in lower case.
std::string HexPrefix(const Digest& digest, std::size_t digits);

// Whether two digests are equal, in time that does not depend on where they differ.
bool SameDigest(const Digest& a, const Digest& b);

}  // namespace quorvel::service

// SHA-256 (FIPS 180-4), self-contained: the engine is also compiled to WebAssembly, where no
// system cryptography library is at hand, and it needs only this one digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvel {

class Sha256 {
 public:
  using Digest = std::array<unsigned char, 32>;
  // How the rounds are computed: portable C++, or the x86 SHA extensions (several times faster).
  // Both give the same digests.
  enum class Rounds { kPortable, kShaExtensions };

  // The ways this build and processor can compute the rounds, the portable one first and the
  // fastest last.
  static std::vector<Rounds> Available();

  explicit Sha256(Rounds rounds = Available().back());
  // Adds bytes to the message; any number of calls, of any length.
  void Add(std::string_view bytes);
  // The digest of everything added. Call once; the object is spent afterwards.
  Digest Finish();

 private:
  void Compress(const unsigned char* blocks, std::size_t count);
  void CompressPortable(const unsigned char* block);

  [[maybe_unused]] Rounds rounds_;  // unread where the build has the portable rounds only
  std::array<std::uint32_t, 8> state_;
  std::array<unsigned char, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t messageBytes_ = 0;
};

}  // namespace quorvel

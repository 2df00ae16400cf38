#include "common/sha256.hpp"

#include <algorithm>
#include <bit>

#include "common/sha256_rounds.hpp"

namespace quorvel {

const std::array<std::uint32_t, 64> kSha256RoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

namespace {

constexpr const auto& kRoundConstants = kSha256RoundConstants;

constexpr std::array<std::uint32_t, 8> kInitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

std::uint32_t BigEndianWord(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

}  // namespace

std::vector<Sha256::Rounds> Sha256::Available() {
  std::vector<Rounds> available{Rounds::kPortable};
#if defined(QUORVEL_SHA_X86)
  if (HasShaExtensions()) available.push_back(Rounds::kShaExtensions);
#endif
  return available;
}

Sha256::Sha256(Rounds rounds) : rounds_(rounds), state_(kInitialState) {}

void Sha256::Compress(const unsigned char* blocks, std::size_t count) {
#if defined(QUORVEL_SHA_X86)
  if (rounds_ == Rounds::kShaExtensions) return CompressWithShaExtensions(state_, blocks, count);
#endif
  for (; count > 0; --count, blocks += 64) CompressPortable(blocks);
}

void Sha256::CompressPortable(const unsigned char* block) {
  std::array<std::uint32_t, 64> schedule;
  for (std::size_t i = 0; i < 16; ++i) schedule[i] = BigEndianWord(block + 4 * i);
  for (std::size_t i = 16; i < 64; ++i) {
    const std::uint32_t s0 = std::rotr(schedule[i - 15], 7) ^ std::rotr(schedule[i - 15], 18) ^ (schedule[i - 15] >> 3);
    const std::uint32_t s1 = std::rotr(schedule[i - 2], 17) ^ std::rotr(schedule[i - 2], 19) ^ (schedule[i - 2] >> 10);
    schedule[i] = schedule[i - 16] + s0 + schedule[i - 7] + s1;
  }
  auto [a, b, c, d, e, f, g, h] = state_;
  for (std::size_t i = 0; i < 64; ++i) {
    const std::uint32_t sum1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
    const std::uint32_t choice = (e & f) ^ (~e & g);
    const std::uint32_t first = h + sum1 + choice + kRoundConstants[i] + schedule[i];
    const std::uint32_t sum0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
    const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    const std::uint32_t second = sum0 + majority;
    h = g;
    g = f;
    f = e;
    e = d + first;
    d = c;
    c = b;
    b = a;
    a = first + second;
  }
  const std::array<std::uint32_t, 8> worked = {a, b, c, d, e, f, g, h};
  for (std::size_t i = 0; i < 8; ++i) state_[i] += worked[i];
}

void Sha256::Add(std::string_view bytes) {
  messageBytes_ += bytes.size();
  const auto* next = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t left = bytes.size();
  if (pendingSize_ > 0) {
    const std::size_t taken = std::min(left, pending_.size() - pendingSize_);
    std::copy_n(next, taken, pending_.begin() + static_cast<std::ptrdiff_t>(pendingSize_));
    pendingSize_ += taken;
    next += taken;
    left -= taken;
    if (pendingSize_ < pending_.size()) return;
    Compress(pending_.data(), 1);
    pendingSize_ = 0;
  }
  const std::size_t wholeBlocks = left / pending_.size();
  Compress(next, wholeBlocks);
  next += wholeBlocks * pending_.size();
  left -= wholeBlocks * pending_.size();
  std::copy_n(next, left, pending_.begin());
  pendingSize_ = left;
}

Sha256::Digest Sha256::Finish() {
  const std::uint64_t messageBits = messageBytes_ * 8;
  // A one bit, zeros up to 8 bytes short of a block boundary, then the length in bits.
  Add(std::string_view("\x80", 1));
  static constexpr char kZeros[64] = {};
  Add(std::string_view(kZeros, (pending_.size() + 56 - pendingSize_) % pending_.size()));
  char length[8];
  for (std::size_t i = 0; i < 8; ++i) length[i] = static_cast<char>(messageBits >> (56 - 8 * i));
  Add(std::string_view(length, sizeof length));
  Digest digest;
  for (std::size_t i = 0; i < 8; ++i) {
    for (std::size_t j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<unsigned char>(state_[i] >> (24 - 8 * j));
  }
  return digest;
}

}  // namespace quorvel

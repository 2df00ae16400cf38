#include "common/sha256.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_support.hpp"

namespace quorvel {
namespace {

struct Vector {
  const char* name;
  std::string message;
  const char* digest;
};

void PrintTo(const Vector& vector, std::ostream* out) { *out << vector.name; }

std::string Hex(const Sha256::Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char byte : digest) hex += {kHex[byte >> 4], kHex[byte & 15]};
  return hex;
}

// The digest of the message fed in pieces of `piece` bytes.
std::string DigestInPieces(const std::string& message, std::size_t piece, Sha256::Rounds rounds) {
  Sha256 sha(rounds);
  for (std::size_t at = 0; at < message.size(); at += piece) sha.Add(std::string_view(message).substr(at, piece));
  return Hex(sha.Finish());
}

class Sha256Vectors : public ::testing::TestWithParam<Vector> {};

// FIPS 180-4's examples and lengths about the padding's block boundary.
INSTANTIATE_TEST_SUITE_P(
    Known, Sha256Vectors,
    ::testing::Values(
        Vector{"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        Vector{"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        Vector{"two blocks of padding", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
               "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        Vector{"fifty five bytes", std::string(55, 'a'),
               "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        Vector{"sixty four bytes", std::string(64, 'a'),
               "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        Vector{"a million a", std::string(1000000, 'a'),
               "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}),
    [](const auto& instance) { return testing::TestName(instance.param.name); });

TEST_P(Sha256Vectors, GivesTheKnownDigestWhateverThePieces) {
  const Vector& vector = GetParam();
  for (const Sha256::Rounds rounds : Sha256::Available()) {
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{1000001}}) {
      EXPECT_EQ(DigestInPieces(vector.message, piece, rounds), vector.digest)
          << "fed " << piece << " bytes at a time, rounds " << static_cast<int>(rounds);
    }
  }
}

}  // namespace
}  // namespace quorvel

// KeyIndex held to a std::map of upper-cased keys, on generated families of keys.
#include "reference/index/key_index.hpp"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace quorvel {
namespace {

std::string AsciiCase(std::string key, bool upper) {
  for (char& c : key) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

// Tax keys up to K120000: K15672 and K114888 among them, whose hashes share their low 32 bits.
std::vector<std::string> TaxKeys() {
  std::vector<std::string> keys;
  for (int tax = 0; tax <= 120000; ++tax) keys.push_back("K" + std::to_string(tax));
  return keys;
}

// Short keys of letters, of bytes 32 apart that are no letters ("@" and "`"), and of bytes beyond
// ASCII (é and É in UTF-8): many are the same key in another case, which the index must refuse.
std::vector<std::string> MixedBytes() {
  const std::string alphabet = "aAzZkK@`[{ 1\xC3\xA9\x89\xE1\xC1";
  std::mt19937 random(7);
  std::vector<std::string> keys = {""};
  for (int i = 0; i < 6000; ++i) {
    std::string key(random() % 12, ' ');
    for (char& c : key) c = alphabet[random() % alphabet.size()];
    keys.push_back(key);
  }
  return keys;
}

struct KeyFamily {
  const char* name;
  std::vector<std::string> (*keys)();
};

class KeyIndexOracle : public ::testing::TestWithParam<KeyFamily> {};

TEST_P(KeyIndexOracle, AgreesWithAMapOfUpperCasedKeys) {
  const std::vector<std::string> keys = GetParam().keys();
  KeyIndex index;
  std::map<std::string, std::size_t> oracle;
  EXPECT_FALSE(index.Find(keys.front()));
  for (std::size_t i = 0; i < keys.size(); ++i) {
    ASSERT_EQ(index.Add(keys[i], i), oracle.emplace(AsciiCase(keys[i], true), i).second) << keys[i];
  }
  for (const std::string& key : keys) {
    for (const std::string& looked : {key, AsciiCase(key, false), key + "0", key.substr(key.size() / 2)}) {
      const auto expected = oracle.find(AsciiCase(looked, true));
      EXPECT_EQ(index.Find(looked), expected == oracle.end() ? std::nullopt : std::optional(expected->second))
          << looked;
      EXPECT_EQ(EqualIgnoringCase(key, looked), AsciiCase(key, true) == AsciiCase(looked, true));
    }
  }
  index.Clear();
  EXPECT_FALSE(index.Find(keys.back()));
  EXPECT_TRUE(index.Add(keys.back(), 3));
  EXPECT_EQ(index.Find(keys.back()), 3u);
}

INSTANTIATE_TEST_SUITE_P(Families, KeyIndexOracle,
                         ::testing::Values(KeyFamily{"TaxKeysWithCollidingLowHashHalves", TaxKeys},
                                           KeyFamily{"MixedCaseNonLettersAndNonAscii", MixedBytes}),
                         [](const auto& instance) { return std::string(instance.param.name); });

TEST(KeyIndex, TaxKeysCollidingInTheLowHashHalfDoCollide) {  // as the first family needs
  EXPECT_EQ(static_cast<std::uint32_t>(CaseInsensitiveHash("K15672")),
            static_cast<std::uint32_t>(CaseInsensitiveHash("K114888")));
}

}  // namespace
}  // namespace quorvel

#include "reference/key_index.hpp"

#include <gtest/gtest.h>

#include <string>

#include "reference/lookup_memo.hpp"

namespace quorvel {
namespace {

TEST(KeyIndex, FindsEveryKeyAfterManyGrowths) {
  KeyIndex index;
  constexpr int kKeys = 20000;
  for (int i = 0; i < kKeys; ++i) ASSERT_TRUE(index.Add("K1001I" + std::to_string(i), i));
  for (int i = 0; i < kKeys; ++i) {
    EXPECT_EQ(index.Find("k1001i" + std::to_string(i)), static_cast<std::size_t>(i)) << i;
  }
  EXPECT_FALSE(index.Find("K1001I" + std::to_string(kKeys)));
  EXPECT_FALSE(index.Find("K1001I"));
}

TEST(KeyIndex, RefusesAHeldKeyInAnyCaseAndKeepsTheFirst) {
  KeyIndex index;
  ASSERT_TRUE(index.Add("Ab", 0));
  EXPECT_FALSE(index.Add("aB", 1));
  EXPECT_FALSE(index.Add("AB", 2));
  EXPECT_EQ(index.Find("ab"), 0u);
  ASSERT_TRUE(index.Add("Abc", 3));  // a longer key is another key
  EXPECT_EQ(index.Find("ABC"), 3u);
}

struct KeyPair {
  const char* stored;
  const char* looked;
  bool found;
};

class KeyComparisons : public ::testing::TestWithParam<KeyPair> {};

TEST_P(KeyComparisons, MatchWithoutRegardToAsciiCaseOnly) {
  const KeyPair pair = GetParam();
  KeyIndex index;
  ASSERT_TRUE(index.Add(pair.stored, 7));
  EXPECT_EQ(index.Find(pair.looked).has_value(), pair.found) << pair.stored << " / " << pair.looked;
  if (pair.found) {
    EXPECT_EQ(CaseInsensitiveHash(pair.stored), CaseInsensitiveHash(pair.looked));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyComparisons,
    ::testing::Values(KeyPair{"", "", true}, KeyPair{"K7", "k7", true}, KeyPair{"K7", "K7 ", false},
                      KeyPair{"K1001G12", "k1001g12", true}, KeyPair{"K1001G12", "K1001G13", false},
                      KeyPair{"K-5", "k-5", true}, KeyPair{"[k]", "{K}", false},  // not letters
                      KeyPair{"K@", "K`", false}, KeyPair{"Z", "z", true},
                      KeyPair{"K\xC3\xA9", "K\xC3\x89", false},  // beyond ASCII: not folded
                      KeyPair{"\xE1", "\xC1", false}, KeyPair{"a\xFA", "A\xFA", true},
                      // Keys longer than a word, and every tail length, differing at either end.
                      KeyPair{"K1001I123456789", "k1001i123456789", true},
                      KeyPair{"K1001I123456789", "K1001I123456788", false},
                      KeyPair{"K1001I123456789", "J1001I123456789", false},
                      KeyPair{"abcdefghijklmnopq", "ABCDEFGHIJKLMNOPQ", true},
                      KeyPair{"abcdefghijklmnopq", "ABCDEFGHIJKLMNOPR", false},
                      KeyPair{"abc", "abd", false}, KeyPair{"abcde", "abcdf", false},
                      KeyPair{"abcde", "bbcde", false}, KeyPair{"abcdefg", "ABCDEFG", true},
                      KeyPair{"abcdefg", "abcdefh", false}, KeyPair{"ab", "aB", true},
                      KeyPair{"ab", "ac", false}));

TEST(LookupMemo, AnswersOnlyForTheKeyItHolds) {
  LookupMemo<int, int, 4> memo;
  int searches = 0;
  const auto search = [&](int value) {
    return [&searches, value] {
      ++searches;
      return value;
    };
  };
  EXPECT_EQ(memo.Get(1, 1, search(10)), 10);
  EXPECT_EQ(memo.Get(1, 1, search(99)), 10);  // remembered
  EXPECT_EQ(memo.Get(5, 1, search(50)), 50);  // same slot, another key: searched
  EXPECT_EQ(memo.Get(1, 1, search(11)), 11);  // replaced, so searched again
  EXPECT_EQ(searches, 3);
}

}  // namespace
}  // namespace quorvel

// LookupMemo held to the searches it stands for: every answer is the search's, and it searches
// again exactly when the last key of the same slot was another.
#include "common/lookup_memo.hpp"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {
namespace {

TEST(LookupMemo, AnswersAsTheSearchAndSearchesOnlyWhenTheSlotHeldAnotherKey) {
  constexpr std::size_t kSlots = 8;
  LookupMemo<std::string_view, std::size_t, kSlots> memo;
  std::array<std::optional<std::string>, kSlots> lastKeyOfSlot;
  // Each key twice, at two addresses: the memo must compare texts, not addresses.
  std::vector<std::string> keys;
  for (int i = 0; i < 40; ++i) keys.push_back("G" + std::to_string(i));
  std::vector<std::string> copies = keys;
  std::mt19937 random(9);
  for (int i = 0; i < 20000; ++i) {
    const std::size_t which = random() % keys.size();
    const std::string& key = random() % 2 ? keys[which] : copies[which];
    const std::size_t hash = which * 5 % 13;  // keys share slots
    int searches = 0;
    const std::size_t value = memo.Get(key, hash, [&] { return ++searches, which * 3; });
    ASSERT_EQ(value, which * 3) << key;
    ASSERT_EQ(searches, lastKeyOfSlot[hash % kSlots] == key ? 0 : 1) << key;
    lastKeyOfSlot[hash % kSlots] = key;
  }
}

}  // namespace
}  // namespace quorvel

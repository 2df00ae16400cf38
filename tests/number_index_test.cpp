#include "reference/number_index.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "reference/collections.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

TEST(NumberIndex, FindsEveryNumberAfterManyGrowths) {
  NumberIndex index;
  constexpr int kNumbers = 20000;
  // Multiples of 1024 share their low bits: the hash must spread them.
  for (int i = 0; i < kNumbers; ++i) {
    index.Reserve();
    ASSERT_TRUE(index.Add(i * 1024 - kNumbers, static_cast<std::uint32_t>(i)));
  }
  for (int i = 0; i < kNumbers; ++i) EXPECT_EQ(index.Find(i * 1024 - kNumbers), static_cast<std::uint32_t>(i)) << i;
  EXPECT_FALSE(index.Find(1));
  EXPECT_FALSE(NumberIndex().Find(0));
}

TEST(NumberIndex, RefusesAHeldNumberAndKeepsTheFirst) {
  NumberIndex index;
  for (std::int32_t number : {0, -1, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
    index.Reserve();
    ASSERT_TRUE(index.Add(number, 7));
    index.Reserve();
    EXPECT_FALSE(index.Add(number, 8));
    EXPECT_EQ(index.Find(number), 7u);
  }
}

struct KeyText {
  const char* key;
  std::optional<std::int32_t> number;
};

class NumberOfKeys : public ::testing::TestWithParam<KeyText> {};

TEST_P(NumberOfKeys, AreOnlyWhatNumberKeyWrites) {
  const KeyText& c = GetParam();
  EXPECT_EQ(NumberOfKey('K', c.key), c.number);
  if (c.number) {
    EXPECT_EQ(NumberKey('K', *c.number), c.key);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, NumberOfKeys,
    ::testing::Values(KeyText{"K12", 12}, KeyText{"K0", 0}, KeyText{"K-5", -5},
                      KeyText{"K2147483647", 2147483647}, KeyText{"K-2147483648", -2147483647 - 1},
                      KeyText{"K2147483648", std::nullopt}, KeyText{"K012", std::nullopt},
                      KeyText{"K-0", std::nullopt}, KeyText{"K-012", std::nullopt},
                      KeyText{"K+12", std::nullopt}, KeyText{"k12", std::nullopt},
                      KeyText{" K12", std::nullopt}, KeyText{"K12 ", std::nullopt},
                      KeyText{"K1.0", std::nullopt}, KeyText{"K", std::nullopt},
                      KeyText{"K-", std::nullopt}, KeyText{"", std::nullopt},
                      KeyText{"G12", std::nullopt}));

TEST(TaxGroupItems, FindByNumberWhatTheKeyFinds) {
  CTaxGroupItems items;
  for (int tax : {3, -4, 1000000, 0}) items.AddItem(tax, tax % 2 == 0);
  for (int tax : {3, -4, 1000000, 0, 5, -3}) {
    EXPECT_EQ(items.FindTax(tax), items.Find(NumberKey('K', tax))) << tax;
  }
  EXPECT_TRUE(items.FindTax(-4)->IsTaxable);
  // A refused duplicate leaves both look-ups as they were.
  EXPECT_EQ(testing::ErrorNumberOf([&] { items.AddItem(3, true); }), errors::kDuplicateKey);
  EXPECT_EQ(items.Count(), 4);
  EXPECT_FALSE(items.FindTax(3)->IsTaxable);
}

}  // namespace
}  // namespace quorvel

// NumberIndex held to a std::map on generated families of numbers; the number keys it stands for.
#include "reference/index/number_index.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <random>
#include <string>

#include "reference/collections.hpp"
#include "reference/number_key.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

constexpr std::int32_t kLeast = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();

// Multiples of 1024, which share their low bits: the hash must spread them.
std::vector<std::int32_t> MultiplesOf1024() {
  std::vector<std::int32_t> numbers;
  for (int i = 0; i < 20000; ++i) numbers.push_back(i * 1024 - 20000);
  return numbers;
}

// The extremes, then numbers drawn from a small range, so that many repeat.
std::vector<std::int32_t> ExtremesAndRepeats() {
  std::vector<std::int32_t> numbers = {kLeast, kLeast + 1, kMost, kMost - 1, kLeast, kMost};
  std::mt19937 random(11);
  for (int i = 0; i < 8000; ++i) numbers.push_back(static_cast<std::int32_t>(random() % 5000) - 2500);
  return numbers;
}

struct NumberFamily {
  const char* name;
  std::vector<std::int32_t> (*numbers)();
};

class NumberIndexOracle : public ::testing::TestWithParam<NumberFamily> {};

TEST_P(NumberIndexOracle, AgreesWithAMap) {
  const std::vector<std::int32_t> numbers = GetParam().numbers();
  NumberIndex index;
  std::map<std::int32_t, std::uint32_t> oracle;
  EXPECT_FALSE(index.Find(numbers.front()));
  for (std::uint32_t i = 0; i < numbers.size(); ++i) {
    if (i % 2 == 0) index.Reserve();  // else Add makes room itself
    ASSERT_EQ(index.Add(numbers[i], i), oracle.emplace(numbers[i], i).second) << numbers[i];
  }
  for (const std::int32_t number : numbers) {
    for (const std::int64_t looked : {number - 1LL, number + 0LL, number + 1LL}) {
      if (looked < kLeast || looked > kMost) continue;
      const auto expected = oracle.find(static_cast<std::int32_t>(looked));
      EXPECT_EQ(index.Find(static_cast<std::int32_t>(looked)),
                expected == oracle.end() ? std::nullopt : std::optional(expected->second))
          << looked;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Families, NumberIndexOracle,
                         ::testing::Values(NumberFamily{"MultiplesOf1024", MultiplesOf1024},
                                           NumberFamily{"ExtremesAndRepeats", ExtremesAndRepeats}),
                         [](const auto& instance) { return std::string(instance.param.name); });

struct KeyText {
  const char* name;
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
    ::testing::Values(KeyText{"Positive", "K12", 12}, KeyText{"Zero", "K0", 0}, KeyText{"Negative", "K-5", -5},
                      KeyText{"Largest", "K2147483647", kMost}, KeyText{"Least", "K-2147483648", kLeast},
                      KeyText{"BeyondLargest", "K2147483648", {}}, KeyText{"LeadingZero", "K012", {}},
                      KeyText{"NegativeZero", "K-0", {}}, KeyText{"NegativeLeadingZero", "K-012", {}},
                      KeyText{"PlusSign", "K+12", {}}, KeyText{"LowerCasePrefix", "k12", {}},
                      KeyText{"LeadingSpace", " K12", {}}, KeyText{"TrailingSpace", "K12 ", {}},
                      KeyText{"Fraction", "K1.0", {}}, KeyText{"PrefixOnly", "K", {}},
                      KeyText{"SignOnly", "K-", {}}, KeyText{"Empty", "", {}}, KeyText{"OtherPrefix", "G12", {}}),
    [](const auto& instance) { return std::string(instance.param.name); });

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

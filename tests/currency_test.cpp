#include "common/currency.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::ErrorNumberOf;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

Currency U(std::int64_t units) { return Currency::FromUnits(units); }

TEST(Currency, AddsSubtractsAndNegatesExactly) {
  EXPECT_EQ((U(12500) + U(-2501)).Units(), 9999);
  EXPECT_EQ((U(1) - U(3)).Units(), -2);
  EXPECT_EQ((-U(7)).Units(), -7);
  EXPECT_EQ((U(kMax) + U(kMin)).Units(), -1);
  Currency sum;
  sum += U(5);
  sum += U(6);
  EXPECT_EQ(sum.Units(), 11);
}

TEST(Currency, OverflowsAtTheEdgesOfTheRange) {
  EXPECT_EQ(ErrorNumberOf([] { (void)(U(kMax) + U(1)); }), errors::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { (void)(U(kMin) - U(1)); }), errors::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { (void)(-U(kMin)); }), errors::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { (void)(U(kMax) * Currency::FromUnits(2 * Currency::kUnitsPerWhole)); }), errors::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { (void)(U(kMax) - U(kMax)); }), 0);
  EXPECT_EQ((-U(kMax)).Units(), -kMax);
}

struct ProductCase {
  std::int64_t a, b, expected;
};

void PrintTo(const ProductCase& c, std::ostream* out) { *out << c.a << " * " << c.b; }

class CurrencyProduct : public ::testing::TestWithParam<ProductCase> {};

TEST_P(CurrencyProduct, IsTheExactProductRoundedHalfToEven) {
  const ProductCase c = GetParam();
  EXPECT_EQ((U(c.a) * U(c.b)).Units(), c.expected) << c.a << " * " << c.b;
  EXPECT_EQ((U(c.b) * U(c.a)).Units(), c.expected) << "commuted";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CurrencyProduct,
    ::testing::Values(ProductCase{175000, 70000, 1225000},   // 17.50 * 7 = 122.5
                      ProductCase{199900, 62500, 1249375},   // 19.99 * 6.25 = 124.9375
                      ProductCase{1, 5000, 0},               // 0.0001 * 0.5: half, to even 0
                      ProductCase{3, 5000, 2},               // 0.0003 * 0.5: half, to even 0.0002
                      ProductCase{1, 5001, 1},               // just over half
                      ProductCase{-1, 5000, 0},              // negative half to even
                      ProductCase{-3, 5000, -2},
                      ProductCase{-3, 5001, -2},             // -0.00015003 rounds to -0.0002
                      ProductCase{30000, 1250, 3750},        // 3 * 0.125
                      ProductCase{15000, 3300, 4950},        // 1.5 * 0.33
                      ProductCase{0, kMax, 0},
                      ProductCase{kMax, 10000, kMax},        // times one
                      ProductCase{kMin, 10000, kMin}),
    [](const auto& instance) {
      return testing::SpeltName(std::to_string(instance.param.a) + "*" + std::to_string(instance.param.b));
    });

TEST(Currency, ComparesByValue) {
  EXPECT_LT(U(-1), U(0));
  EXPECT_EQ(U(5), U(5));
  EXPECT_GT(U(kMax), U(kMax - 1));
  EXPECT_TRUE(U(0).IsZero());
  EXPECT_TRUE(U(-1).IsNegative());
}

TEST(Currency, DividesHalfToEven) {
  EXPECT_EQ(DivideRoundHalfEven(25, 10), 2);
  EXPECT_EQ(DivideRoundHalfEven(35, 10), 4);
  EXPECT_EQ(DivideRoundHalfEven(-25, 10), -2);
  EXPECT_EQ(DivideRoundHalfEven(-35, 10), -4);
  EXPECT_EQ(DivideRoundHalfEven(26, 10), 3);
  EXPECT_EQ(DivideRoundHalfEven(-24, 10), -2);
}

}  // namespace
}  // namespace quorvel

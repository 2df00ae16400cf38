#include "common/number_text.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace quorvel {
namespace {

TEST(NumberText, WritesTheShortestDecimalForm) {
  const struct {
    std::int64_t units;
    const char* text;
  } cases[] = {{0, "0"},
               {1500000, "150"},
               {125000, "12.5"},
               {-22500, "-2.25"},
               {18750, "1.875"},
               {3500, "0.35"},
               {-3500, "-0.35"},
               {1, "0.0001"},
               {-1, "-0.0001"},
               {10, "0.001"},
               {12250, "1.225"},
               {std::numeric_limits<std::int64_t>::max(), "922337203685477.5807"},
               {std::numeric_limits<std::int64_t>::min(), "-922337203685477.5808"}};
  for (const auto& c : cases) {
    EXPECT_EQ(NumberText(Currency::FromUnits(c.units)), c.text) << c.units;
  }
}

TEST(NumberText, AppendsToWhatIsThere) {
  std::string out = "x=";
  AppendNumberText(out, Currency::FromUnits(50000));
  EXPECT_EQ(out, "x=5");
}

}  // namespace
}  // namespace quorvel

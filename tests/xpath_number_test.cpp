// What XPath reads as a number in a comparison. Whole numbers of up to 15 digits take a short
// cut; what it gives must be what the general reading gives, on both sides of where it gives up.
#include "xml/xpath_number.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace quorvel::xml {
namespace {

TEST(XPathNumber, ReadsWhatXPathReadsAsANumber) {
  const struct {
    const char* text;
    std::optional<double> number;
  } cases[] = {{"123456789012345", 123456789012345.0},   // the longest the short cut reads
               {"1234567890123456", 1234567890123456.0},  // one digit more: the general path
               {"-42", -42.0}, {" -42 ", -42.0}, {"-0", 0.0}, {" -0.0", 0.0},
               {"4 2", std::nullopt}, {"-", std::nullopt}, {"-+1", std::nullopt},
               {"7", 7.0}, {"07", 7.0}, {" 7.0 ", 7.0}, {"\n-7\t", -7.0}, {".5", 0.5}, {"5.", 5.0},
               {"", std::nullopt}, {"+7", std::nullopt}, {"7a", std::nullopt}, {"1e3", std::nullopt},
               {".", std::nullopt}, {"7 ]", std::nullopt}, {"1 or 1=1", std::nullopt}, {"--7", std::nullopt}};
  for (const auto& c : cases) {
    EXPECT_EQ(XPathNumber(c.text), c.number) << '"' << c.text << '"';
    // Minus zero is the key zero: it must not be told apart from it.
    if (c.number == 0.0) {
      EXPECT_FALSE(std::signbit(*XPathNumber(c.text))) << '"' << c.text << '"';
    }
  }
}

}  // namespace
}  // namespace quorvel::xml

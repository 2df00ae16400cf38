// The short cuts for numbers in their usual form must give exactly what the general reading
// gives, on both sides of where they give up.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/conversions.hpp"
#include "test_support.hpp"
#include "xml/xpath_number.hpp"

namespace quorvel {
namespace {

double XPathNumberOrNaN(std::string_view text) { return xml::XPathNumber(text).value_or(std::nan("")); }

struct CurrencyCase {
  const char* text;
  std::int64_t units;  // when error is 0
  int error;
};

class CurrencyEdges : public ::testing::TestWithParam<CurrencyCase> {};

TEST_P(CurrencyEdges, ConvertOrFail) {
  const CurrencyCase c = GetParam();
  if (c.error == 0) {
    EXPECT_EQ(ToCurrency(c.text).Units(), c.units) << c.text;
  } else {
    EXPECT_EQ(testing::ErrorNumberOf([&] { ToCurrency(c.text); }), c.error) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, CurrencyEdges,
    ::testing::Values(CurrencyCase{"1234567890123.4567", 12345678901234567, 0},    // short cut
                      CurrencyCase{"12345678901234.5678", 123456789012345678, 0},  // general
                      CurrencyCase{"922337203685477.5807", 9223372036854775807, 0},
                      CurrencyCase{"922337203685477.5808", 0, errors::kOverflow},
                      CurrencyCase{"-922337203685477.5808", -9223372036854775807 - 1, 0},
                      CurrencyCase{"0.00005", 0, 0}, CurrencyCase{"0.00015", 2, 0},  // half to even
                      CurrencyCase{"-.5", -5000, 0}, CurrencyCase{"5.", 50000, 0},
                      CurrencyCase{"-0", 0, 0}, CurrencyCase{"1.2.3", 0, errors::kTypeMismatch},
                      CurrencyCase{"-", 0, errors::kTypeMismatch}, CurrencyCase{"--1", 0, errors::kTypeMismatch},
                      CurrencyCase{"+1.5", 15000, 0}, CurrencyCase{" 1.5", 15000, 0}));

TEST(ToLongEdges, ShortCutAndGeneralAgree) {
  EXPECT_EQ(ToLong("2147483647"), 2147483647);
  EXPECT_EQ(ToLong("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(testing::ErrorNumberOf([] { ToLong("2147483648"); }), errors::kOverflow);
  EXPECT_EQ(testing::ErrorNumberOf([] { ToLong("99999999999999999999"); }), errors::kOverflow);
  EXPECT_EQ(ToLong("12.5"), 12);
  EXPECT_EQ(ToLong("13.5"), 14);
  EXPECT_EQ(ToLong("007"), 7);
}

TEST(XPathNumberEdges, WholeNumbersOnBothSidesOfTheShortCut) {
  EXPECT_EQ(XPathNumberOrNaN("123456789012345"), 123456789012345.0);
  EXPECT_EQ(XPathNumberOrNaN("1234567890123456"), 1234567890123456.0);
  EXPECT_EQ(XPathNumberOrNaN("-0"), 0.0);
  EXPECT_FALSE(std::signbit(XPathNumberOrNaN("-0")));
  EXPECT_EQ(XPathNumberOrNaN("-42"), -42.0);
  EXPECT_TRUE(std::isnan(XPathNumberOrNaN("4 2")));
  EXPECT_TRUE(std::isnan(XPathNumberOrNaN("-")));
}

// What a conversion gives: its value as text, or its error's number and message.
template <typename Convert>
std::string Outcome(Convert convert) {
  std::string outcome;
  if (const auto caught = testing::ErrorOf([&] { outcome = std::to_string(convert()); })) {
    return std::to_string(caught->number) + ": " + caught->description;
  }
  return outcome;
}

TEST(TerminatedTexts, ConvertAsTheirMeasuredTextsDo) {
  const char* const texts[] = {
      "", "0", "-0", "7", "-7", "162.3600", "81.18", "1.23456", "-.5", "5.", ".", "-", "--1", "+1.5",
      " 1.5", "1.5 ", "1.2.3", "12a", "a12", "2147483647", "2147483648", "-2147483648", "12.5", "13.5",
      "922337203685477.5807", "922337203685477.5808", "99999999999999999999", "True", "False", "true",
      "FALSE", " True", "True ", "Tru", "Truex", "Fals", "Falsey", "1", "0.0", "0.001", "T"};
  for (const char* text : texts) {
    const std::string_view measured(text);
    EXPECT_EQ(Outcome([&] { return ToCurrency(text).Units(); }),
              Outcome([&] { return ToCurrency(measured).Units(); })) << '"' << text << '"';
    EXPECT_EQ(Outcome([&] { return ToLong(text); }), Outcome([&] { return ToLong(measured); }))
        << '"' << text << '"';
    EXPECT_EQ(Outcome([&] { return ToBoolean(text); }), Outcome([&] { return ToBoolean(measured); }))
        << '"' << text << '"';
  }
  EXPECT_EQ(ToCurrency("162.3600").Units(), 1623600);
  EXPECT_TRUE(ToBoolean("True"));
  EXPECT_FALSE(ToBoolean("False"));
}

}  // namespace
}  // namespace quorvel

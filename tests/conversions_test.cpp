#include "common/conversions.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::ErrorNumberOf;
constexpr int kOk = 0;

struct LongCase {
  const char* text;
  std::int32_t value;  // when error is kOk
  int error;
};

void PrintTo(const LongCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class ToLongCases : public ::testing::TestWithParam<LongCase> {};

// Names a case after the text it converts.
constexpr auto kNamedByText = [](const auto& instance) { return "text_" + testing::SpeltName(instance.param.text); };

TEST_P(ToLongCases, ConvertOrFail) {
  const LongCase c = GetParam();
  if (c.error == kOk) {
    EXPECT_EQ(ToLong(c.text), c.value) << '"' << c.text << '"';
  } else {
    EXPECT_EQ(ErrorNumberOf([&] { ToLong(c.text); }), c.error) << '"' << c.text << '"';
  }
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ToLongCases,
    ::testing::Values(LongCase{"12", 12, kOk}, LongCase{"  12\t", 12, kOk}, LongCase{"+12", 12, kOk},
                      LongCase{"-12", -12, kOk}, LongCase{"0042", 42, kOk}, LongCase{"5.", 5, kOk},
                      LongCase{".5", 0, kOk}, LongCase{"-0", 0, kOk}, LongCase{"", 0, errors::kTypeMismatch},
                      LongCase{"   ", 0, errors::kTypeMismatch}, LongCase{".", 0, errors::kTypeMismatch},
                      LongCase{"-", 0, errors::kTypeMismatch}, LongCase{"1e3", 0, errors::kTypeMismatch},
                      LongCase{"1,000", 0, errors::kTypeMismatch}, LongCase{"$5", 0, errors::kTypeMismatch},
                      LongCase{"0x10", 0, errors::kTypeMismatch}, LongCase{"1 2", 0, errors::kTypeMismatch},
                      LongCase{"--1", 0, errors::kTypeMismatch}, LongCase{"NaN", 0, errors::kTypeMismatch},
                      LongCase{"Infinity", 0, errors::kTypeMismatch}, LongCase{"abc", 0, errors::kTypeMismatch}),
    kNamedByText);

INSTANTIATE_TEST_SUITE_P(
    HalfToEven, ToLongCases,
    ::testing::Values(LongCase{"12.5", 12, kOk}, LongCase{"13.5", 14, kOk}, LongCase{"-12.5", -12, kOk},
                      LongCase{"-13.5", -14, kOk}, LongCase{"12.51", 13, kOk},
                      LongCase{"12.4999999999999999999", 12, kOk},
                      LongCase{"12.5000000000000000001", 13, kOk}, LongCase{"0.5", 0, kOk},
                      LongCase{"1.5", 2, kOk}),
    kNamedByText);

INSTANTIATE_TEST_SUITE_P(
    Range, ToLongCases,
    ::testing::Values(LongCase{"2147483647", 2147483647, kOk}, LongCase{"-2147483648", -2147483647 - 1, kOk},
                      LongCase{"2147483648", 0, errors::kOverflow}, LongCase{"-2147483649", 0, errors::kOverflow},
                      LongCase{"2147483647.5", 0, errors::kOverflow},  // rounds to 2147483648
                      LongCase{"2147483647.49", 2147483647, kOk},
                      LongCase{"-2147483648.5", -2147483647 - 1, kOk},  // rounds to even, in range
                      LongCase{"000000000000000000000000000000000000000001", 1, kOk},
                      LongCase{"99999999999999999999", 0, errors::kOverflow},  // past the short cut
                      LongCase{"9999999999999999999999999999999999999999999", 0, errors::kOverflow}),
    kNamedByText);

struct IntegerCase {
  const char* text;
  std::int16_t value;
  int error;
};

TEST(ToInteger, HasTheSixteenBitRange) {
  const IntegerCase cases[] = {{"32767", 32767, kOk},        {"-32768", -32768, kOk},
                               {"32768", 0, errors::kOverflow}, {"-32769", 0, errors::kOverflow},
                               {"32766.5", 32766, kOk},      {"32767.5", 0, errors::kOverflow},
                               {" 7 ", 7, kOk},              {"seven", 0, errors::kTypeMismatch}};
  for (const IntegerCase& c : cases) {
    if (c.error == kOk) {
      EXPECT_EQ(ToInteger(c.text), c.value) << c.text;
    } else {
      EXPECT_EQ(ErrorNumberOf([&] { ToInteger(c.text); }), c.error) << c.text;
    }
  }
}

struct CurrencyCase {
  const char* text;
  std::int64_t units;
  int error;
};

void PrintTo(const CurrencyCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class ToCurrencyCases : public ::testing::TestWithParam<CurrencyCase> {};

TEST_P(ToCurrencyCases, ConvertOrFail) {
  const CurrencyCase c = GetParam();
  if (c.error == kOk) {
    EXPECT_EQ(ToCurrency(c.text).Units(), c.units) << '"' << c.text << '"';
  } else {
    EXPECT_EQ(ErrorNumberOf([&] { ToCurrency(c.text); }), c.error) << '"' << c.text << '"';
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToCurrencyCases,
    ::testing::Values(
        CurrencyCase{"12.34567", 123457, kOk}, CurrencyCase{"12.34565", 123456, kOk},  // half to even
        CurrencyCase{"12.34575", 123458, kOk}, CurrencyCase{"12.345650001", 123457, kOk},
        CurrencyCase{"-12.34565", -123456, kOk}, CurrencyCase{"-12.34567", -123457, kOk},
        CurrencyCase{"0.00005", 0, kOk}, CurrencyCase{"0.00015", 2, kOk}, CurrencyCase{"17.50", 175000, kOk},
        CurrencyCase{" 1.5 ", 15000, kOk}, CurrencyCase{".5", 5000, kOk}, CurrencyCase{"5.", 50000, kOk},
        CurrencyCase{"+3", 30000, kOk}, CurrencyCase{"0", 0, kOk}, CurrencyCase{"-0", 0, kOk},
        CurrencyCase{"-.5", -5000, kOk}, CurrencyCase{"+1.5", 15000, kOk}, CurrencyCase{" 1.5", 15000, kOk},
        CurrencyCase{"1234567890123.4567", 12345678901234567, kOk},   // the longest the short cut reads
        CurrencyCase{"12345678901234.5678", 123456789012345678, kOk},  // one digit more: the general path
        CurrencyCase{"922337203685477", 9223372036854770000, kOk},
        // Sixteen whole digits without places: scaled to units they no longer fit 64 bits.
        CurrencyCase{"1844674407370956", 0, errors::kOverflow},
        CurrencyCase{"922337203685477.5807", 9223372036854775807, kOk},
        CurrencyCase{"-922337203685477.5808", -9223372036854775807 - 1, kOk},
        CurrencyCase{"922337203685477.5808", 0, errors::kOverflow},
        CurrencyCase{"922337203685477.58075", 0, errors::kOverflow},  // the fifth decimal rounds it out
        CurrencyCase{"-922337203685477.5809", 0, errors::kOverflow},
        CurrencyCase{"1e400", 0, errors::kTypeMismatch}, CurrencyCase{"", 0, errors::kTypeMismatch},
        CurrencyCase{"12,5", 0, errors::kTypeMismatch}, CurrencyCase{"(5)", 0, errors::kTypeMismatch},
        CurrencyCase{"1.2.3", 0, errors::kTypeMismatch}, CurrencyCase{"-", 0, errors::kTypeMismatch},
        CurrencyCase{"--1", 0, errors::kTypeMismatch}),
    kNamedByText);

TEST(ToCurrency, HandlesFourHundredDigits) {
  const std::string whole(400, '9');
  EXPECT_EQ(ErrorNumberOf([&] { ToCurrency(whole); }), errors::kOverflow);
  const std::string fraction = "0." + std::string(400, '0') + "1";
  EXPECT_EQ(ToCurrency(fraction).Units(), 0);
  const std::string zeros = std::string(400, '0') + "1.25";
  EXPECT_EQ(ToCurrency(zeros).Units(), 12500);
}

struct BooleanCase {
  const char* text;
  bool value;
  int error;
};

TEST(ToBoolean, TakesWordsInAnyCaseOrNumbers) {
  const BooleanCase cases[] = {
      {"True", true, kOk},   {"TRUE", true, kOk},    {"tRUE", true, kOk},  {"false", false, kOk},
      {"FALSE", false, kOk}, {"1", true, kOk},       {"-1", true, kOk},    {"2", true, kOk},
      {"0", false, kOk},     {"0.0", false, kOk},    {"0.001", true, kOk}, {" 0 ", false, kOk},
      {" true ", true, kOk}, {"T", false, errors::kTypeMismatch},     {"yes", false, errors::kTypeMismatch},
      {"", false, errors::kTypeMismatch},  {"Truee", false, errors::kTypeMismatch}};
  for (const BooleanCase& c : cases) {
    if (c.error == kOk) {
      EXPECT_EQ(ToBoolean(c.text), c.value) << '"' << c.text << '"';
    } else {
      EXPECT_EQ(ErrorNumberOf([&] { ToBoolean(c.text); }), c.error) << '"' << c.text << '"';
    }
  }
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

// Values of a parsed row are read as NUL-terminated texts, without measuring them first.
TEST(TerminatedTexts, ConvertAsTheirMeasuredTextsDo) {
  const char* const texts[] = {
      "", "0", "-0", "7", "-7", "162.3600", "81.18", "1.23456", "-.5", "5.", ".", "-", "--1", "+1.5",
      " 1.5", "1.5 ", "1.2.3", "12a", "a12", "2147483647", "2147483648", "-2147483648", "12.5", "13.5",
      "922337203685477.5807", "922337203685477.5808", "1844674407370956", "99999999999999999999", "True",
      "False", "true", "FALSE", " True", "True ", "Tru", "Truex", "Fals", "Falsey", "1", "0.0", "0.001", "T"};
  for (const char* text : texts) {
    const std::string_view measured(text);
    EXPECT_EQ(Outcome([&] { return ToCurrency(text).Units(); }),
              Outcome([&] { return ToCurrency(measured).Units(); })) << '"' << text << '"';
    EXPECT_EQ(Outcome([&] { return ToLong(text); }), Outcome([&] { return ToLong(measured); }))
        << '"' << text << '"';
    EXPECT_EQ(Outcome([&] { return ToBoolean(text); }), Outcome([&] { return ToBoolean(measured); }))
        << '"' << text << '"';
  }
}

TEST(Conversions, MessagesQuoteTheValue) {
  const auto caught = testing::ErrorOf([] { ToLong("12x"); });
  ASSERT_TRUE(caught);
  EXPECT_EQ(caught->description, "type mismatch: \"12x\" is not a number");
  const auto overflow = testing::ErrorOf([] { ToInteger("40000"); });
  ASSERT_TRUE(overflow);
  EXPECT_EQ(overflow->description, "overflow: \"40000\" is outside the range of a 16-bit integer");
}

}  // namespace
}  // namespace quorvel

#include "common/conversions.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.hpp"

namespace quorvel {
namespace {

// What a conversion gives: its value as text, or "error N: description".
template <typename Convert>
std::string Outcome(Convert convert) {
  std::string outcome;
  if (const auto caught = testing::ErrorOf([&] { outcome = std::to_string(convert()); })) {
    return "error " + std::to_string(caught->number) + ": " + caught->description;
  }
  return outcome;
}

// A text and what converting it gives: the value as text, or kMismatch or kOverflow.
struct Conversion {
  std::string text;
  const char* outcome;
};

constexpr const char* kMismatch = "error 13";
constexpr const char* kOverflow = "error 6";

// Checks every case of a table against one conversion; errors by number.
template <typename Convert>
void ExpectOutcomes(const std::vector<Conversion>& cases, Convert convert) {
  for (const Conversion& c : cases) {
    const std::string outcome = Outcome([&] { return convert(c.text); });
    EXPECT_EQ(outcome.substr(0, outcome.find(':')), c.outcome) << '"' << c.text << '"';
  }
}

// The tables read NUL-terminated texts, as rows are read; TerminatedTexts holds the measured
// forms to them.
const auto kToLong = [](const std::string& text) { return ToLong(text.c_str()); };
const auto kToCurrencyUnits = [](const std::string& text) { return ToCurrency(text.c_str()).Units(); };

TEST(ToLong, FollowsTheNumberGrammar) {
  ExpectOutcomes({{"12", "12"}, {"  12\t", "12"}, {"+12", "12"}, {"-12", "-12"}, {"0042", "42"}, {"5.", "5"},
                  {".5", "0"}, {"-0", "0"}, {"", kMismatch}, {"   ", kMismatch}, {".", kMismatch}, {"-", kMismatch},
                  {"1e3", kMismatch}, {"1,000", kMismatch}, {"$5", kMismatch}, {"0x10", kMismatch},
                  {"1 2", kMismatch}, {"--1", kMismatch}, {"NaN", kMismatch}, {"Infinity", kMismatch},
                  {"abc", kMismatch}},
                 kToLong);
}

TEST(ToLong, RoundsHalfToEven) {
  ExpectOutcomes({{"12.5", "12"}, {"13.5", "14"}, {"-12.5", "-12"}, {"-13.5", "-14"}, {"12.51", "13"},
                  {"12.4999999999999999999", "12"}, {"12.5000000000000000001", "13"}, {"0.5", "0"}, {"1.5", "2"}},
                 kToLong);
}

TEST(ToLong, HasTheThirtyTwoBitRange) {
  ExpectOutcomes({{"2147483647", "2147483647"},
                  {"-2147483648", "-2147483648"},
                  {"2147483648", kOverflow},
                  {"-2147483649", kOverflow},
                  {"2147483647.5", kOverflow},  // rounds to 2147483648
                  {"2147483647.49", "2147483647"},
                  {"-2147483648.5", "-2147483648"},  // rounds to even, in range
                  {"000000000000000000000000000000000000000001", "1"},
                  {"99999999999999999999", kOverflow},  // past the short cut
                  {std::string(43, '9'), kOverflow}},
                 kToLong);
}

TEST(ToInteger, HasTheSixteenBitRange) {
  ExpectOutcomes({{"32767", "32767"}, {"-32768", "-32768"}, {"32768", kOverflow}, {"-32769", kOverflow},
                  {"32766.5", "32766"}, {"32767.5", kOverflow}, {" 7 ", "7"}, {"seven", kMismatch}},
                 [](const std::string& text) { return ToInteger(text); });
}

// Amounts in units of 0.0001.
TEST(ToCurrency, RoundsToFourPlacesHalfToEvenWithinTheRange) {
  ExpectOutcomes(
      {{"12.34567", "123457"}, {"12.34565", "123456"}, {"12.34575", "123458"}, {"12.345650001", "123457"},
       {"-12.34565", "-123456"}, {"-12.34567", "-123457"}, {"0.00005", "0"}, {"0.00015", "2"}, {"17.50", "175000"},
       {" 1.5 ", "15000"}, {".5", "5000"}, {"5.", "50000"}, {"+3", "30000"}, {"0", "0"}, {"-0", "0"},
       {"-.5", "-5000"}, {"+1.5", "15000"}, {" 1.5", "15000"},
       {"1234567890123.4567", "12345678901234567"},    // the longest the short cut reads
       {"12345678901234.5678", "123456789012345678"},  // one digit more: the general path
       {"922337203685477", "9223372036854770000"},
       {"1844674407370956", kOverflow},  // sixteen whole digits no longer fit 64 bits as units
       {"922337203685477.5807", "9223372036854775807"}, {"-922337203685477.5808", "-9223372036854775808"},
       {"922337203685477.5808", kOverflow},
       {"922337203685477.58075", kOverflow},  // the fifth decimal rounds it out
       {"-922337203685477.5809", kOverflow}, {"1e400", kMismatch}, {"", kMismatch}, {"12,5", kMismatch},
       {"(5)", kMismatch}, {"1.2.3", kMismatch}, {"-", kMismatch}, {"--1", kMismatch},
       {std::string(400, '9'), kOverflow}, {"0." + std::string(400, '0') + "1", "0"},
       {std::string(400, '0') + "1.25", "12500"}},
      kToCurrencyUnits);
}

TEST(ToBoolean, TakesWordsInAnyCaseOrNumbers) {
  ExpectOutcomes({{"True", "1"}, {"TRUE", "1"}, {"tRUE", "1"}, {"false", "0"}, {"FALSE", "0"}, {"1", "1"},
                  {"-1", "1"}, {"2", "1"}, {"0", "0"}, {"0.0", "0"}, {"0.001", "1"}, {" 0 ", "0"}, {" true ", "1"},
                  {"T", kMismatch}, {"yes", kMismatch}, {"", kMismatch}, {"Truee", kMismatch}},
                 [](const std::string& text) { return ToBoolean(text.c_str()); });
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

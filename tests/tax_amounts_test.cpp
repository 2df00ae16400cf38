#include "control/tax_amounts.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "common/conversions.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

Currency C(const char* text) { return ToCurrency(text); }

TEST(CentRounding, SendsHalfCentsUp) {
  const struct {
    const char* value;
    const char* rounded;
  } cases[] = {{"1.225", "1.23"},   {"0.125", "0.13"},   {"1.2494", "1.25"},  {"49.9995", "50"},
               {"-0.375", "-0.37"}, {"-1.225", "-1.22"}, {"0.495", "0.5"},    {"1.2249", "1.22"},
               {"1.2251", "1.23"},  {"2", "2"},          {"0.005", "0.01"},   {"-0.005", "0"},
               {"0.0049", "0"},     {"-1.2351", "-1.24"}, {"922337203685477.5807", "922337203685477.58"},
               {"-922337203685477.5808", "-922337203685477.58"}};
  for (const auto& c : cases) EXPECT_EQ(CentRounding(C(c.value)), C(c.rounded)) << c.value;
}

TEST(HundredthInDouble, DividesTheProductByOneHundred) {
  EXPECT_EQ(HundredthInDouble(C("122.5")), C("1.225"));
  EXPECT_EQ(HundredthInDouble(C("124.9375")), C("1.2494"));  // 1.249375 to a unit, half to even
  EXPECT_EQ(HundredthInDouble(C("4999.95")), C("49.9995"));
  EXPECT_EQ(HundredthInDouble(C("-7.5")), C("-0.075"));
  // Near the top of the range the double keeps fewer digits than a currency value.
  EXPECT_EQ(HundredthInDouble(C("922337203685477.5807")), C("9223372036854.776"));
}

struct AmountCase {
  const char* type;
  const char* rate;
  const char* threshold;
  const char* cutoff;
  const char* dollars;
  const char* quantity;
  const char* total;
};

void PrintTo(const AmountCase& c, std::ostream* out) {
  *out << c.type << " " << c.rate << " (window " << c.threshold << " to " << c.cutoff << ") on " << c.dollars
       << " / " << c.quantity;
}

class TaxAmounts : public ::testing::TestWithParam<AmountCase> {};

// "percent_7_on_17_point_50_and_0_units", with "_window_<threshold>_to_<cutoff>" when one is set.
std::string AmountName(const ::testing::TestParamInfo<AmountCase>& info) {
  const AmountCase& c = info.param;
  std::string name = testing::SpeltName(c.type) + "_" + testing::SpeltName(c.rate);
  if (std::string_view(c.threshold) != "0" || std::string_view(c.cutoff) != "0") {
    name += "_window_" + testing::SpeltName(c.threshold) + "_to_" + testing::SpeltName(c.cutoff);
  }
  return name + "_on_" + testing::SpeltName(c.dollars) + "_and_" + testing::SpeltName(c.quantity) + "_units";
}

TEST_P(TaxAmounts, FollowTheWorkedExamples) {
  const AmountCase c = GetParam();
  ReferenceTables tables;
  const auto tax = tables.Taxes->AddItem(1, 0, 0, "", 1, C(c.threshold), C(c.cutoff), C(c.rate), c.type, false);
  CTaxLines lines(tables);
  CTaxLine& line = lines.AddItem(tax.get());
  line.TaxableDollars = C(c.dollars);
  line.TaxableQuantity = C(c.quantity);
  ComputeTaxAmount(line, lines, false);
  EXPECT_EQ(line.TotalTax, C(c.total)) << c.type << " " << c.rate << " on " << c.dollars << " / " << c.quantity;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TaxAmounts,
    ::testing::Values(AmountCase{"%", "7", "0", "0", "17.50", "0", "1.23"},
                      AmountCase{"%", "7", "0", "0", "-17.50", "0", "-1.23"},
                      AmountCase{"%", "6.25", "0", "0", "19.99", "0", "1.25"},
                      AmountCase{"%", "6.25", "0", "0", "19.80", "0", "1.24"},
                      AmountCase{"%", "5", "100", "1000", "99.99", "0", "0"},
                      AmountCase{"%", "5", "100", "1000", "100.00", "0", "5"},
                      AmountCase{"%", "5", "100", "1000", "999.99", "0", "50"},
                      AmountCase{"%", "5", "100", "1000", "1000.00", "0", "0"},
                      AmountCase{"%", "5", "100", "1000", "-150.00", "0", "-7.5"},
                      AmountCase{"%", "5", "100", "0", "1000000", "0", "50000"},
                      AmountCase{"%", "5", "0", "-1", "100", "0", "0"},
                      AmountCase{"%", "5", "-10", "0", "1", "0", "0.05"},
                      AmountCase{"%", "5", "0", "0", "0", "9", "0"},
                      AmountCase{"$", "0.125", "0", "0", "0", "3", "0.38"},
                      AmountCase{"$", "0.125", "0", "0", "0", "2", "0.25"},
                      AmountCase{"$", "0.125", "0", "0", "0", "-3", "-0.38"},
                      AmountCase{"$", "0.33", "0", "0", "0", "1.5", "0.5"},
                      AmountCase{"$", "-0.125", "0", "0", "0", "3", "-0.37"},
                      AmountCase{"$", "0.05", "100", "1", "0", "7", "0.35"},  // no window per unit
                      AmountCase{"", "0.05", "0", "0", "100", "7", "0.35"},   // any other type is per unit
                      AmountCase{"$", "0.05", "0", "0", "100", "0", "0"}),
    AmountName);

TEST(TaxAmounts, CarryInLowerSequencesAsNonTaxable) {
  const struct {
    bool stateFirst;
    const char* countyNonTaxable;
  } orders[] = {{true, "5"}, {false, "0"}};
  for (const auto& order : orders) {
    ReferenceTables tables;
    CTaxLines lines(tables);
    const auto state = tables.Taxes->AddItem(1, 0, 0, "S", 1, {}, {}, C("5"), "%", false);
    const auto county = tables.Taxes->AddItem(2, 0, 0, "C", 2, {}, {}, C("2"), "%", false);
    CTaxLine* first = &lines.AddItem((order.stateFirst ? state : county).get());
    CTaxLine* second = &lines.AddItem((order.stateFirst ? county : state).get());
    for (CTaxLine* line : {first, second}) {
      line->TaxableDollars = C("100");
      ComputeTaxAmount(*line, lines, false);
    }
    const auto countyLine = lines.Item("K2");
    EXPECT_EQ(lines.Item("K1")->TotalTax, C("5"));
    EXPECT_EQ(countyLine->TotalTax, C("2"));
    EXPECT_EQ(countyLine->NonTaxableDollars, C(order.countyNonTaxable));
    EXPECT_EQ(countyLine->TaxableDollars, C("100"));
    EXPECT_EQ(lines.Item("K1")->NonTaxableDollars, C("0"));
  }
}

TEST(TaxAmounts, EqualSequencesAndPerUnitTaxes) {
  ReferenceTables tables;
  CTaxLines lines(tables);
  CTaxLine* fee = &lines.AddItem(tables.Taxes->AddItem(1, 0, 0, "", 1, {}, {}, C("0.5"), "$", false).get());
  CTaxLine* same = &lines.AddItem(tables.Taxes->AddItem(2, 0, 0, "", 1, {}, {}, C("10"), "%", false).get());
  CTaxLine* later = &lines.AddItem(tables.Taxes->AddItem(3, 0, 0, "", 2, {}, {}, C("10"), "%", false).get());
  fee->TaxableQuantity = C("4");
  same->TaxableDollars = C("10");
  later->TaxableDollars = C("10");
  for (CTaxLine* line : {fee, same, later}) ComputeTaxAmount(*line, lines, true);
  EXPECT_EQ(fee->TotalTax, C("2"));
  EXPECT_EQ(same->NonTaxableDollars, C("0"));      // equal sequence: nothing carried
  EXPECT_EQ(later->NonTaxableDollars, C("3"));     // the fee (2) and the 10 % tax (1), both sequence 1
  EXPECT_EQ(later->ExemptDollars, C("0"));         // the flag has no effect without a group
}

}  // namespace
}  // namespace quorvel

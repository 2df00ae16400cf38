// Results that a one-line slip in a fast path would change without any other test noticing:
// the per-unit price window's cut-off, keys whose hashes collide, a column whose name only
// begins like a known one, and a number whose scaled value no longer fits.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::ErrorNumberOf;
using testing::IslandTexts;
using testing::Rowset;
using testing::SmallIslands;

const std::string kHeader = R"(head="1" CustomerID="1" TaxModel="1")";

std::string Calculate(const IslandTexts& islands, const std::vector<std::string>& details) {
  const auto tables = LoadReferenceTables(*MakeMemoryHost(islands));
  std::vector<std::string> rows{kHeader};
  for (const std::string& detail : details) rows.push_back(R"(detail="1" IsSubItem="False" TaxGroupID="1" )" + detail);
  return CalculateTaxes(*tables, Rowset(rows));
}

// The tax written in the result's row of tax `taxId`, or "<no row>".
std::string TaxOf(const std::string& result, const std::string& taxId) {
  const std::size_t taxIdAt = result.find("TaxID = \"" + taxId + "\"");
  if (taxIdAt == std::string::npos) return "<no row>";
  const std::string opening = "ExtendedPrice =\"";
  const std::size_t start = result.find(opening, taxIdAt) + opening.size();
  return result.substr(start, result.find('"', start) - start);
}

// A "$" tax whose cut-off is not above zero has no upper bound only when it is zero: a negative
// cut-off closes the window, so a credit line inside the threshold is not taxed.
TEST(ResultGuards, ANegativeCutOffClosesThePerUnitWindow) {
  IslandTexts islands = SmallIslands();
  islands["taxData"] = Rowset({R"(iKey="1" Description="Fee" Sequence="1" ThreshHold="-100" )"
                               R"(Cutoff="-1" TaxRate="3" crTaxType="$")"});
  const std::string credit = R"(QtyShipped="-2" NetPrice="-50" ExtendedPrice="-100" IsTaxable="1")";
  EXPECT_EQ(TaxOf(Calculate(islands, {credit}), "1"), "<no row>");
  islands["taxData"] = Rowset({R"(iKey="1" Description="Fee" Sequence="1" ThreshHold="-100" )"
                               R"(Cutoff="0" TaxRate="3" crTaxType="$")"});
  EXPECT_EQ(TaxOf(Calculate(islands, {credit}), "1"), "-6");
}

// Keys 15672 and 114888 share the low 32 bits of their hashes: they are still two taxes, and a
// model listing one of them is charged that one only.
TEST(ResultGuards, KeysWhoseHashesCollideStayApart) {
  IslandTexts islands = SmallIslands();
  islands["taxData"] = Rowset({R"(iKey="15672" Description="A" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="6" crTaxType="%")",
                               R"(iKey="114888" Description="B" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")"});
  islands["TaxModelData"] = Rowset({R"(TaxModelItemID="1" TaxID="15672")"});
  islands["TaxGroupItemData"] = Rowset({R"(TaxGroupID="1" TaxID="15672" IsTaxable="1")",
                                        R"(TaxGroupID="1" TaxID="114888" IsTaxable="1")"});
  const std::string result = Calculate(islands, {R"(QtyShipped="1" NetPrice="100" ExtendedPrice="100" IsTaxable="1")"});
  EXPECT_EQ(TaxOf(result, "15672"), "6");
  EXPECT_EQ(TaxOf(result, "114888"), "<no row>");
}

// A column whose name begins with a known column's name is another column, also where an earlier
// row had the known column at the same place.
struct LongerName {
  const char* name;
  const char* earlierRow;
  const char* row;
};
void PrintTo(const LongerName& longerName, std::ostream* out) { *out << longerName.name; }

class ColumnsWithLongerNames : public ::testing::TestWithParam<LongerName> {};

TEST_P(ColumnsWithLongerNames, AreNotReadAsTheShorterOne) {
  EXPECT_EQ(TaxOf(Calculate(SmallIslands(), {GetParam().earlierRow, GetParam().row}), "1"), "12");
}

INSTANTIATE_TEST_SUITE_P(
    ResultGuards, ColumnsWithLongerNames,
    ::testing::Values(
        LongerName{"ExtendedPriceLocal", R"(QtyShipped="1" NetPrice="100" ExtendedPrice="100" IsTaxable="1")",
                   R"(QtyShipped="1" NetPrice="100" ExtendedPriceLocal="9999" ExtendedPrice="100" IsTaxable="1")"},
        LongerName{"NetPriceOverride", R"(QtyShipped="1" NetPrice="100" ExtendedPrice="100" IsTaxable="1")",
                   R"(QtyShipped="1" NetPriceOverride="1" NetPrice="100" ExtendedPrice="100" IsTaxable="1")"},
        LongerName{"IsTaxableFlag", R"(IsTaxable="1" QtyShipped="1" NetPrice="100" ExtendedPrice="100")",
                   R"(IsTaxableFlag="0" IsTaxable="1" QtyShipped="1" NetPrice="100" ExtendedPrice="100")"}),
    testing::CaseName());

// Amounts whose value in units of 0.0001 does not fit in 64 bits overflow, however few places
// they are written with.
struct BigAmount {
  const char* name;
  const char* extendedPrice;
  int error;
};
void PrintTo(const BigAmount& amount, std::ostream* out) { *out << amount.extendedPrice; }

class BigAmounts : public ::testing::TestWithParam<BigAmount> {};

TEST_P(BigAmounts, OverflowOnlyPastTheCurrencyRange) {
  const std::string detail = std::string(R"(QtyShipped="1" NetPrice="1" IsTaxable="0" ExtendedPrice=")") +
                             GetParam().extendedPrice + "\"";
  EXPECT_EQ(ErrorNumberOf([&] { Calculate(SmallIslands(), {detail}); }), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    ResultGuards, BigAmounts,
    ::testing::Values(BigAmount{"SixteenDigitsWithoutPlaces", "1844674407370956", errors::kOverflow},
                      BigAmount{"LargestCurrency", "922337203685477.5807", 0},
                      BigAmount{"OneUnitPastTheLargest", "922337203685477.5808", errors::kOverflow},
                      BigAmount{"FifteenDigits", "922337203685477", 0}),
    testing::CaseName());

}  // namespace
}  // namespace quorvel

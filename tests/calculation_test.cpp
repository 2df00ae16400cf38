// A transaction from end to end: intake rules, failures, and what reaches the result.
#include <gtest/gtest.h>

#include <string>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::IslandTexts;
using testing::Rowset;

// Tax K1 (6 %, sequence 1) and K2 ("$" 0.5 per unit in the window 10 to 20), model 1 with
// both, model 2 with none; group 1 taxable under both, group 2 listing K1 as not taxable.
// Customer 7 is exempt from K2, customer 8 from group 1, customer 9 from inventory item 55.
IslandTexts Islands() {
  return {
      {"taxData", Rowset({R"(iKey="1" Description=" State " Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="6" crTaxType="%" GLAccountID="4010")",
                          R"(iKey="2" Description="Fee" Sequence="1" ThreshHold="10" Cutoff="20" TaxRate="0.5" crTaxType="$")"})},
      {"TaxModelHdrData", Rowset({R"(iKey="1")", R"(iKey="2")"})},
      {"TaxModelData", Rowset({R"(TaxModelItemID="1" TaxID="2")", R"(TaxModelItemID="1" TaxID="1")"})},
      {"TaxGroupData", Rowset({R"(iKey="1")", R"(iKey="2")"})},
      {"TaxGroupItemData", Rowset({R"(TaxGroupID="1" TaxID="1" IsTaxable="1")", R"(TaxGroupID="1" TaxID="2" IsTaxable="1")",
                                   R"(TaxGroupID="2" TaxID="1" IsTaxable="0")"})},
      {"TaxStatusData", Rowset({R"(CustomerID="7" crExemptType="Tax" TaxID="2")",
                                R"(CustomerID="8" crExemptType="TaxGroup" TaxGroupID="1")",
                                R"(CustomerID="9" crExemptType="InventoryItem" InvItemID="55")"})},
  };
}

class Calculation : public ::testing::Test {
 protected:
  std::string Calc(const std::string& header, const std::vector<std::string>& details = {}) const {
    std::vector<std::string> rows{header};
    for (const std::string& detail : details) rows.push_back(R"(detail="1" IsSubItem="False" )" + detail);
    return CalculateTaxes(*tables_, Rowset(rows));
  }
  std::shared_ptr<const ReferenceTables> tables_ = LoadReferenceTables(*MakeMemoryHost(Islands()));
};

// An item of group 1, 2 units at 15 each.
const std::string kItem = R"(QtyShipped="2" NetPrice="15" ExtendedPrice="30" TaxGroupID="1" IsTaxable="1" LocInvItemID="12" InvItemID="55")";

// The value of the attribute written `opening` in the row of tax `taxId` of a result.
std::string Written(const std::string& result, const std::string& taxId, const std::string& opening) {
  const std::size_t taxIdAt = result.find("TaxID = \"" + taxId + "\"");
  if (taxIdAt == std::string::npos) return "<no row>";
  const std::size_t row = result.rfind("<z:row", taxIdAt);
  const std::size_t start = result.find(opening, row) + opening.size();
  return result.substr(start, result.find('"', start) - start);
}

std::string TaxItems(const std::string& result) {
  const std::size_t start = result.find("TaxItems=\"") + 10;
  return result.substr(start, result.find('"', start) - start);
}

TEST_F(Calculation, AnswersNoHeaderForDocumentsWithoutAHeaderRow) {
  for (const std::string& text : {std::string(), std::string("NOT XML"), std::string("<xml><rs:data>"),
                                 Rowset({R"(Head="1" CustomerID="1" TaxModel="1")"}),
                                 std::string(R"(<xml><rs:data head="1" CustomerID="1" TaxModel="1"/></xml>)")}) {
    EXPECT_EQ(CalculateTaxes(*tables_, text), "NOHEADER") << text;
  }
}

TEST_F(Calculation, TaxesAnItemUnderEveryTaxOfTheModel) {
  const std::string result = Calc(R"(head="1" CustomerID="1" TaxModel="1")", {kItem});
  EXPECT_EQ(Written(result, "1", "ExtendedPrice =\""), "1.8");
  EXPECT_EQ(Written(result, "2", "ExtendedPrice =\""), "1");
  EXPECT_EQ(Written(result, "1", "InvShortDesc = \""), "State");
  EXPECT_EQ(TaxItems(result), "/12/12/");  // tax-table order: K1 before K2
  EXPECT_LT(result.find("TaxID = \"1\""), result.find("TaxID = \"2\""));
}

TEST_F(Calculation, TakesTheCustomerFromShipToIdFirst) {
  // ShipToID 7 is exempt from K2; CustomerID 1 is not.
  const std::string result = Calc(R"(head="1" ShipToID="7" CustomerID="1" TaxModel="1")", {kItem});
  EXPECT_EQ(Written(result, "2", "ExtendedPrice =\""), "<no row>");
  EXPECT_EQ(Written(result, "1", "ExtendedPrice =\""), "1.8");
}

TEST_F(Calculation, LooksUpItemExemptionsWithTheCustomerTextAsWritten) {
  // Customer 8 is exempt from group 1: no tax, and nothing listed as taxed.
  EXPECT_EQ(TaxItems(Calc(R"(head="1" CustomerID="8" TaxModel="1")", {kItem})), "/");
  // 08 is customer 8 for the tax lines, but the group status is keyed K8G1, not K08G1.
  EXPECT_EQ(Written(Calc(R"(head="1" CustomerID="08" TaxModel="1")", {kItem}), "1", "NetPrice =\""), "30");
  // Customer 9 is exempt from inventory item 55.
  EXPECT_EQ(TaxItems(Calc(R"(head="1" CustomerID="9" TaxModel="1")", {kItem})), "/");
}

TEST_F(Calculation, ModelZeroBuildsNoTaxLines) {
  EXPECT_EQ(Calc(R"(head="1" CustomerID="1" TaxModel="0")", {kItem}),
            "<xml>\r\n<rs:data xmlns:rs=\"urn:schemas-microsoft-com:rowset\" TaxItems=\"/\" >\r\n</rs:data>\r\n</xml>");
}

TEST_F(Calculation, AHeaderRowThatIsAlsoADetailRowIsBoth) {
  const std::string result =
      CalculateTaxes(*tables_, Rowset({R"(head="1" CustomerID="1" TaxModel="1" detail="1" IsSubItem="False" )" + kItem}));
  EXPECT_EQ(TaxItems(result), "/12/12/");
}

TEST_F(Calculation, ItemsOutsideThePriceWindowAreListedButNotCounted) {
  const std::string cheap = R"(QtyShipped="2" NetPrice="9.99" ExtendedPrice="19.98" TaxGroupID="1" IsTaxable="1" LocInvItemID="I5")";
  const std::string result = Calc(R"(head="1" CustomerID="1" TaxModel="1")", {cheap});
  EXPECT_EQ(Written(result, "2", "ExtendedPrice =\""), "<no row>");
  EXPECT_EQ(TaxItems(result), "/5/5/");
}

struct Failure {
  const char* name;
  std::string header;
  std::vector<std::string> details;
  int error;
  const char* description;
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class Failures : public Calculation, public ::testing::WithParamInterface<Failure> {};

TEST_P(Failures, EndTheCallWithOneClearError) {
  const Failure failure = GetParam();
  const auto caught = testing::ErrorOf([&] { Calc(failure.header, failure.details); });
  ASSERT_TRUE(caught) << failure.name;
  EXPECT_EQ(caught->number, failure.error) << failure.name;
  EXPECT_EQ(caught->description, failure.description) << failure.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Failures,
    ::testing::Values(
        Failure{"EmptyShipToId", R"(head="1" ShipToID="" CustomerID="1" TaxModel="1")", {}, errors::kTypeMismatch,
                "header row: attribute \"ShipToID\": type mismatch: \"\" is not a number"},
        Failure{"NoCustomer", R"(head="1" TaxModel="1")", {}, errors::kObjectNotSet,
                "header row: attribute \"CustomerID\" is missing"},
        Failure{"NoTaxModel", R"(head="1" CustomerID="1")", {}, errors::kObjectNotSet,
                "header row: attribute \"TaxModel\" is missing"},
        Failure{"CustomerOverflow", R"(head="1" CustomerID="2147483648" TaxModel="1")", {}, errors::kOverflow,
                "header row: attribute \"CustomerID\": overflow: \"2147483648\" is outside the range of a 32-bit integer"},
        Failure{"UnknownModel", R"(head="1" CustomerID="1" TaxModel="77")", {}, errors::kObjectNotSet,
                "header row: attribute \"TaxModel\", value \"77\": tax model \"K77\" is not in the tax model table"},
        Failure{"BadNetPrice", R"(head="1" CustomerID="1" TaxModel="1")",
                {kItem, R"(QtyShipped="1" NetPrice="abc")"}, errors::kTypeMismatch,
                "detail row at z:row 3: attribute \"NetPrice\": type mismatch: \"abc\" is not a number"},
        Failure{"EmptyTaxGroup", R"(head="1" CustomerID="1" TaxModel="1")", {R"(TaxGroupID="")"},
                errors::kTypeMismatch, "detail row at z:row 2: attribute \"TaxGroupID\": type mismatch: \"\" is not a number"},
        Failure{"BadTaxableFlag", R"(head="1" CustomerID="1" TaxModel="1")", {R"(IsTaxable="T")"},
                errors::kTypeMismatch,
                "detail row at z:row 2: attribute \"IsTaxable\": type mismatch: \"T\" is neither True, False nor a number"},
        Failure{"ItemRowsFailBeforeTheCustomerIsConverted", R"(head="1" CustomerID="x" TaxModel="1")",
                {R"(QtyShipped="?")"}, errors::kTypeMismatch,
                "detail row at z:row 2: attribute \"QtyShipped\": type mismatch: \"?\" is not a number"},
        Failure{"SumOverflow", R"(head="1" CustomerID="1" TaxModel="1")",
                {R"(ExtendedPrice="922337203685477" TaxGroupID="1" IsTaxable="1")",
                 R"(ExtendedPrice="922337203685477" TaxGroupID="1" IsTaxable="1")"},
                errors::kOverflow, "tax \"K1\": currency overflow in 922337203685477 + 922337203685477"}),
    testing::CaseName());

// Rows in document order, the header anywhere: which fault a call reports, or its result's
// TaxItems when it succeeds ("NOHEADER" when the document has no header row).
struct RowOrderCase {
  const char* name;
  std::vector<std::string> rows;
  const char* outcome;
};

TEST_F(Calculation, HeaderFaultsComeBeforeDetailFaultsWhereverTheRowsStand) {
  const std::string badPrice = R"(detail="1" IsSubItem="False" NetPrice="abc")";
  const std::string badQuantity = R"(detail="1" IsSubItem="False" QtyShipped="?")";
  const std::string item = R"(detail="1" IsSubItem="False" )" + kItem;
  const std::string header = R"(head="1" CustomerID="1" TaxModel="1")";
  const RowOrderCase cases[] = {
      {"no header", {badPrice}, "NOHEADER"},
      {"header without model after a bad row", {badPrice, R"(head="1" CustomerID="1")"},
       "header row: attribute \"TaxModel\" is missing"},
      {"bad row before the header", {badPrice, header},
       "detail row at z:row 1: attribute \"NetPrice\": type mismatch: \"abc\" is not a number"},
      {"the first of two bad rows", {item, badQuantity, header, badPrice},
       "detail row at z:row 2: attribute \"QtyShipped\": type mismatch: \"?\" is not a number"},
      {"items on both sides of the header", {item, header, item}, "/12/12/12/12/"},
  };
  for (const RowOrderCase& c : cases) {
    std::string outcome;
    if (const auto caught = testing::ErrorOf([&] { outcome = CalculateTaxes(*tables_, Rowset(c.rows)); })) {
      outcome = caught->description;
    } else if (outcome != "NOHEADER") {
      outcome = TaxItems(outcome);
    }
    EXPECT_EQ(outcome, c.outcome) << c.name;
  }
}

TEST_F(Calculation, RowsThatAreNoItemLinesAreNeverConverted) {
  const std::string result = Calc(R"(head="1" CustomerID="1" TaxModel="1")",
                                  {R"(crLineType="DISCOUNT" NetPrice="abc")", R"(EntityName="tblOther" NetPrice="abc")",
                                   R"(crLineType="item" NetPrice="abc")", kItem});
  EXPECT_EQ(TaxItems(result), "/12/12/");
}

}  // namespace
}  // namespace quorvel

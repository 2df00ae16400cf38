#include "reference/loader.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::IslandTexts;
using testing::Rowset;
using testing::SmallIslands;

std::shared_ptr<const ReferenceTables> Load(const IslandTexts& islands) {
  return LoadReferenceTables(*MakeMemoryHost(islands));
}

std::vector<std::string> ModelTaxes(const ReferenceTables& tables, const char* model) {
  std::vector<std::string> keys;
  for (const auto& item : *tables.TaxModels->Item(model)->OTaxModelItems()) keys.push_back(item->KeyTaxID);
  return keys;
}

TEST(Loader, LoadsTheSmallIslands) {
  const auto tables = Load(SmallIslands());
  EXPECT_EQ(tables->Taxes->Count(), 1);
  const auto tax = tables->Taxes->Item("K1");
  ASSERT_NE(tax, nullptr);
  EXPECT_EQ(tax->Description, "State");
  EXPECT_EQ(tax->GLAccountID, "K4010");
  EXPECT_EQ(tax->TaxRate, Currency::FromWhole(6));
  EXPECT_EQ(ModelTaxes(*tables, "K1"), std::vector<std::string>{"K1"});
  EXPECT_TRUE(tables->TaxGroups->Item("G1")->OTaxGroupItems()->Item("K1")->IsTaxable);
  EXPECT_NE(tables->TaxStatuses->Item("K7K1"), nullptr);
}

TEST(Loader, OptionalTaxColumnsDefault) {
  IslandTexts islands = SmallIslands();
  islands["taxData"] = Rowset({R"(iKey="012" Description="D" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")"});
  const auto tax = Load(islands)->Taxes->Item("K12");
  ASSERT_NE(tax, nullptr);
  EXPECT_EQ(tax->TaxGroupID, "K0");
  EXPECT_EQ(tax->GLAccountID, "K0");
  EXPECT_FALSE(tax->IsItemLevel);
}

TEST(Loader, ItemRowsAreChosenByValue) {
  IslandTexts islands = SmallIslands();
  islands["taxData"] = Rowset({
      R"(iKey="1" Description="A" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")",
      R"(iKey="2" Description="B" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")",
      R"(iKey="3" Description="C" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")"});
  islands["TaxModelHdrData"] =
      Rowset({R"(iKey="7")", R"(iKey="6.5")", R"(iKey="abc")", R"(iKey="1 or 1=1")", R"(iKey="9")"});
  islands["TaxModelData"] = Rowset({
      R"(TaxModelItemID="07" TaxID="1")",     // 07 equals 7
      R"(TaxModelItemID=" 7.0 " TaxID="2")",  // so does 7.0 with blanks
      R"(TaxModelItemID="6.5" TaxID="3")",
      R"(TaxModelItemID="7x" TaxID="3")",     // no number: matches no numeric key
      R"(TaxModelItemID="abc" TaxID="2")",    // a text key matches the same text
      R"(TaxModelItemID="ABC" TaxID="3")",    // but not another letter case
      R"(TaxModelItemID="1" TaxID="1")",      // "1 or 1=1" is text, never 1
      R"(TaxID="3")",                         // no selection column: no model
      R"(TaxModelItemID="7" TaxID="3")"});
  const auto tables = Load(islands);
  EXPECT_EQ(ModelTaxes(*tables, "K7"), (std::vector<std::string>{"K1", "K2", "K3"}));
  EXPECT_EQ(ModelTaxes(*tables, "K6.5"), std::vector<std::string>{"K3"});
  EXPECT_EQ(ModelTaxes(*tables, "Kabc"), std::vector<std::string>{"K2"});
  EXPECT_TRUE(ModelTaxes(*tables, "K1 or 1=1").empty());
  EXPECT_TRUE(ModelTaxes(*tables, "K9").empty());
}

TEST(Loader, GroupItemsAreChosenByValueToo) {
  IslandTexts islands = SmallIslands();
  islands["TaxGroupData"] = Rowset({R"(iKey="3")", R"(iKey="03")"});
  islands["TaxGroupItemData"] = Rowset({R"(TaxGroupID="3.0" TaxID="1" IsTaxable="0")"});
  const auto tables = Load(islands);
  EXPECT_FALSE(tables->TaxGroups->Item("G3")->OTaxGroupItems()->Item("K1")->IsTaxable);
  EXPECT_FALSE(tables->TaxGroups->Item("G03")->OTaxGroupItems()->Item("K1")->IsTaxable);
}

TEST(Loader, StatusKeysJoinCustomerAndSubjectTexts) {
  IslandTexts islands = SmallIslands();
  islands["TaxStatusData"] = Rowset({
      R"(CustomerID="100" crExemptType="Tax" TaxID="07" TaxExemptNumber="EX-1")",
      R"(CustomerID="100" crExemptType="TaxGroup" TaxGroupID="3")",
      R"(CustomerID="100" crExemptType="InventoryItem" InvItemID="55" TaxID="9")"});
  const auto statuses = Load(islands)->TaxStatuses;
  ASSERT_EQ(statuses->Count(), 3);
  EXPECT_EQ(statuses->Item("K100K07")->TaxExemptNumber, "EX-1");
  EXPECT_EQ(statuses->Item("K100K7"), nullptr);
  const auto group = statuses->Item("K100G3");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->TaxExemptNumber, "");
  EXPECT_TRUE(group->IsExempt);
  EXPECT_EQ(group->TaxExemptType, "TaxGroup");
  EXPECT_NE(statuses->Item("K100I55"), nullptr);
}

TEST(Loader, AnIslandWithoutRowsGivesAnEmptyTable) {
  IslandTexts islands = SmallIslands();
  islands["TaxStatusData"] = Rowset({});
  islands["TaxGroupData"] = "<xml/>";
  const auto tables = Load(islands);
  EXPECT_EQ(tables->TaxStatuses->Count(), 0);
  EXPECT_EQ(tables->TaxGroups->Count(), 0);
}

struct BadIsland {
  const char* name;
  const char* island;
  std::string text;  // empty: the island is left out
  int error;
  const char* message;  // the whole description
};

void PrintTo(const BadIsland& bad, std::ostream* out) { *out << bad.name; }

class BadIslands : public ::testing::TestWithParam<BadIsland> {};

TEST_P(BadIslands, FailWithOneClearError) {
  const BadIsland bad = GetParam();
  IslandTexts islands = SmallIslands();
  if (bad.text.empty()) {
    islands.erase(bad.island);
  } else {
    islands[bad.island] = bad.text;
  }
  const auto caught = testing::ErrorOf([&] { Load(islands); });
  ASSERT_TRUE(caught) << bad.name;
  EXPECT_EQ(caught->number, bad.error) << bad.name;
  EXPECT_EQ(caught->description, bad.message) << bad.name;
}

const std::string kTaxRow =
    R"(iKey="1" Description="D" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadIslands,
    ::testing::Values(
        BadIsland{"missing island", "TaxStatusData", "", errors::kIslandMissing,
                  "island \"TaxStatusData\": the host page has none"},
        BadIsland{"unparsable", "TaxModelData", "<xml><rs:data>", errors::kIslandMissing,
                  "island \"TaxModelData\" is not well-formed XML (Start-end tags mismatch at line 1, column 14)"},
        BadIsland{"missing required column", "taxData",
                  Rowset({kTaxRow, R"(iKey="2" Description="D" Sequence="1" Cutoff="0" TaxRate="1" crTaxType="%")"}),
                  errors::kObjectNotSet, "taxData row 2: attribute \"ThreshHold\" is missing"},
        BadIsland{"bad number", "taxData",
                  Rowset({R"(iKey="1" Description="D" Sequence="x1" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")"}),
                  errors::kTypeMismatch,
                  "taxData row 1: attribute \"Sequence\": type mismatch: \"x1\" is not a number"},
        BadIsland{"empty optional column", "taxData",
                  Rowset({kTaxRow + R"( TaxGroupID="")"}), errors::kTypeMismatch,
                  "taxData row 1: attribute \"TaxGroupID\": type mismatch: \"\" is not a number"},
        BadIsland{"sequence overflow", "taxData",
                  Rowset({R"(iKey="1" Description="D" Sequence="40000" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")"}),
                  errors::kOverflow,
                  "taxData row 1: attribute \"Sequence\": overflow: \"40000\" is outside the range of a 16-bit integer"},
        BadIsland{"duplicate tax", "taxData", Rowset({kTaxRow, kTaxRow}), errors::kDuplicateKey,
                  "taxData row 2: duplicate key: \"K1\" is already in the collection"},
        BadIsland{"same tax written otherwise", "taxData",
                  Rowset({kTaxRow, R"(iKey="01.0" Description="D" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="1" crTaxType="%")"}),
                  errors::kDuplicateKey, "taxData row 2: duplicate key: \"K1\" is already in the collection"},
        BadIsland{"duplicate model", "TaxModelHdrData", Rowset({R"(iKey="1")", R"(iKey="1")"}),
                  errors::kDuplicateKey, "TaxModelHdrData row 2: duplicate key: \"K1\" is already in the collection"},
        BadIsland{"model lists a tax twice", "TaxModelData",
                  Rowset({R"(TaxModelItemID="1" TaxID="1")", R"(TaxModelItemID="1" TaxID="1.0")"}),
                  errors::kDuplicateKey,
                  "TaxModelHdrData row 1: TaxModelData row 2: duplicate key: \"K1\" is already in the collection"},
        BadIsland{"group item without TaxID", "TaxGroupItemData",
                  Rowset({R"(TaxGroupID="1" IsTaxable="1")"}), errors::kObjectNotSet,
                  "TaxGroupData row 1: TaxGroupItemData row 1: attribute \"TaxID\" is missing"},
        BadIsland{"bad taxable flag", "TaxGroupItemData",
                  Rowset({R"(TaxGroupID="1" TaxID="1" IsTaxable="T")"}), errors::kTypeMismatch,
                  "TaxGroupData row 1: TaxGroupItemData row 1: attribute \"IsTaxable\": type mismatch: "
                  "\"T\" is neither True, False nor a number"},
        BadIsland{"model without iKey", "TaxModelHdrData", Rowset({R"(Key="1")"}), errors::kObjectNotSet,
                  "TaxModelHdrData row 1: attribute \"iKey\" is missing"},
        BadIsland{"unknown exemption kind", "TaxStatusData",
                  Rowset({R"(CustomerID="7" crExemptType="tax" TaxID="1")"}), errors::kBadRow,
                  "TaxStatusData row 1: attribute \"crExemptType\", value \"tax\": the kind of exemption "
                  "is none of \"Tax\", \"TaxGroup\", \"InventoryItem\""},
        BadIsland{"status without its subject", "TaxStatusData",
                  Rowset({R"(CustomerID="7" crExemptType="TaxGroup" TaxID="1")"}), errors::kObjectNotSet,
                  "TaxStatusData row 1: attribute \"TaxGroupID\" is missing"},
        BadIsland{"duplicate status", "TaxStatusData",
                  Rowset({R"(CustomerID="7" crExemptType="Tax" TaxID="1")",
                          R"(CustomerID="7" crExemptType="Tax" TaxID="1" TaxExemptNumber="X")"}),
                  errors::kDuplicateKey,
                  "TaxStatusData row 2: duplicate key: \"K7K1\" is already in the collection"}),
    testing::CaseName());

TEST(Loader, FolderHostNamesTheMissingFile) {
  const auto caught = testing::ErrorOf([] { LoadReferenceTables(*MakeFolderHost("/nonexistent")); });
  ASSERT_TRUE(caught);
  EXPECT_EQ(caught->number, errors::kIslandMissing);
  EXPECT_EQ(caught->description, "island \"taxData\": cannot read \"/nonexistent/taxData.xml\": No such file or directory");
}

// A host page that answers every island with no document at all.
class EmptyHost final : public HostPage {
 public:
  IslandDocument Island(std::string_view) const override { return nullptr; }
};

TEST(Loader, AHostWithoutTheIslandFailsBeforeLoading) {
  const auto caught = testing::ErrorOf([] { LoadReferenceTables(EmptyHost()); });
  ASSERT_TRUE(caught);
  EXPECT_EQ(caught->number, errors::kIslandMissing);
  EXPECT_EQ(caught->description, "island \"taxData\": the host page has none");
}

TEST(Loader, LoadsTheExampleTables) {
  const auto tables = LoadReferenceTables(*MakeFolderHost(testing::ExamplesDir() + "/tables"));
  EXPECT_EQ(tables->Taxes->Count(), 6);
  EXPECT_EQ(tables->TaxModels->Count(), 3);
  EXPECT_EQ(tables->TaxGroups->Count(), 5);
  EXPECT_EQ(tables->TaxStatuses->Count(), 6);
}

TEST(Loader, ASecondLoadGivesTheSameTables) {
  const auto host = MakeFolderHost(testing::ExamplesDir() + "/tables");
  const auto first = LoadReferenceTables(*host);
  const auto second = LoadReferenceTables(*host);
  ASSERT_EQ(first->Taxes->Count(), second->Taxes->Count());
  for (std::int32_t i = 1; i <= first->Taxes->Count(); ++i) {
    EXPECT_EQ(first->Taxes->Item(i)->KeyTaxID, second->Taxes->Item(i)->KeyTaxID);
    EXPECT_EQ(first->Taxes->Item(i)->TaxRate, second->Taxes->Item(i)->TaxRate);
    EXPECT_NE(first->Taxes->Item(i), second->Taxes->Item(i));
  }
}

}  // namespace
}  // namespace quorvel

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
  EXPECT_EQ(tax->TaxRate, Currency::FromUnits(6 * Currency::kUnitsPerWhole));
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

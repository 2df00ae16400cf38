#include "control/base_accumulation.hpp"

#include <gtest/gtest.h>

#include <string>

#include "control/calculation.hpp"
#include "control/request_intake.hpp"
#include "lines/tax_lines.hpp"
#include "reference/loader.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

Currency Units(std::int64_t units) { return Currency::FromUnits(units); }
Currency Whole(std::int64_t whole) { return Currency::FromUnits(whole * Currency::kUnitsPerWhole); }

// One tax line and one item line of group G1, with the accumulator each decision reaches.
struct Pair {
  const char* name;
  bool itemTaxable;
  int groupItem;  // -1: the group has no entry for the tax, 0: not taxable, 1: taxable
  bool exempt;    // the tax line is exempt
  const char* taxType;
  const char* effect;  // which accumulator got the item: "taxable", "exempt", "nontaxable", "none"
  bool listed;         // whether the item went into the taxed-items list
};

void PrintTo(const Pair& pair, std::ostream* out) { *out << pair.name; }

class DecisionTable : public ::testing::TestWithParam<Pair> {};

TEST_P(DecisionTable, SendsTheItemToOneAccumulator) {
  const Pair p = GetParam();
  CTaxGroups groups;
  const auto group = groups.AddItem("G1");
  if (p.groupItem >= 0) group->OTaxGroupItems()->AddItem(5, p.groupItem == 1);
  CTaxes taxes;
  const auto tax = taxes.AddItem(5, 0, 0, "", 1, {}, {}, {}, p.taxType, false);
  CItemLines items(groups);
  items.AddItem(Whole(3), Whole(10), Whole(30), 1, p.itemTaxable, "I12", "");
  CTaxLine line(groups);
  line.OTax(tax.get());
  line.IsExempt = p.exempt;
  std::string list = "/";
  const bool flag = AccumulateTaxableBase(line, items, GatherItemFacts(items, "1", CTaxStatuses()), list);

  EXPECT_EQ(flag, p.exempt) << p.name;
  const std::string effect = p.taxType == std::string("$")
                                 ? (!line.TaxableQuantity.IsZero() ? "taxable" : !line.ExemptQuantity.IsZero() ? "exempt" : "none")
                                 : (!line.TaxableDollars.IsZero() ? "taxable"
                                    : !line.ExemptDollars.IsZero() ? "exempt"
                                    : !line.NonTaxableDollars.IsZero() ? "nontaxable" : "none");
  EXPECT_EQ(effect, p.effect) << p.name;
  EXPECT_EQ(list, p.listed ? "/12/" : "/") << p.name;
  if (p.taxType == std::string("$")) {
    EXPECT_TRUE(line.TaxableDollars.IsZero() && line.ExemptDollars.IsZero() && line.NonTaxableDollars.IsZero());
  } else {
    EXPECT_TRUE(line.TaxableQuantity.IsZero() && line.ExemptQuantity.IsZero());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecisionTable,
    ::testing::Values(Pair{"NotTaxablePercent", false, 1, false, "%", "nontaxable", false},
                      Pair{"NotTaxableOther", false, 1, false, "F", "none", false},
                      Pair{"NotTaxableDollar", false, 1, false, "$", "none", false},
                      Pair{"NoGroupItemPercent", true, -1, false, "%", "nontaxable", false},
                      Pair{"NoGroupItemDollar", true, -1, false, "$", "none", false},
                      Pair{"GroupSaysNoPercent", true, 0, false, "%", "nontaxable", false},
                      Pair{"GroupSaysNoOther", true, 0, true, "", "none", false},
                      Pair{"ExemptDollar", true, 1, true, "$", "exempt", false},
                      Pair{"ExemptPercent", true, 1, true, "%", "exempt", false},
                      Pair{"ExemptOther", true, 1, true, "F", "exempt", false},
                      Pair{"TaxableDollar", true, 1, false, "$", "taxable", true},
                      Pair{"TaxablePercent", true, 1, false, "%", "taxable", true},
                      Pair{"TaxableEmptyType", true, 1, false, "", "taxable", true},
                      Pair{"TypeComparedExactly", true, 1, false, "$ ", "taxable", true}),
    [](const ::testing::TestParamInfo<Pair>& instance) { return instance.param.name; });

TEST(BaseAccumulation, ItemsOutsideTheWindowAreListedWithoutQuantity) {
  CTaxGroups groups;
  groups.AddItem("G1")->OTaxGroupItems()->AddItem(5, true);
  CTaxes taxes;
  const auto tax = taxes.AddItem(5, 0, 0, "", 1, Whole(10), Whole(20), {}, "$", false);
  CItemLines items(groups);
  items.AddItem(Whole(1), Units(99900), {}, 1, true, "I1", "");   // 9.99: below
  items.AddItem(Whole(2), Whole(10), {}, 1, true, "I2", "");      // 10: inside
  items.AddItem(Whole(4), Units(199900), {}, 1, true, "I3", "");  // 19.99: inside
  items.AddItem(Whole(8), Whole(20), {}, 1, true, "I4", "");      // 20: at the cut-off
  CTaxLine line(groups);
  line.OTax(tax.get());
  std::string list = "/";
  AccumulateTaxableBase(line, items, GatherItemFacts(items, "1", CTaxStatuses()), list);
  EXPECT_EQ(line.TaxableQuantity, Whole(6));
  EXPECT_EQ(list, "/1/2/3/4/");
}

TEST(ItemFacts, GroupStatusComesBeforeTheItemStatus) {
  CTaxGroups groups;
  CTaxStatuses statuses;
  statuses.AddItem("K100G1", "", false, "TaxGroup");  // found, not exempt: the item is not looked at
  statuses.AddItem("K100I55", "", true, "InventoryItem");
  statuses.AddItem("K100I66", "", true, "InventoryItem");
  statuses.AddItem("K0100G2", "", true, "TaxGroup");
  CItemLines items(groups);
  items.AddItem({}, {}, {}, 1, true, "IAI9", "55");
  items.AddItem({}, {}, {}, 2, true, "", "66");
  items.AddItem({}, {}, {}, 2, true, "x", "77");
  const std::vector<ItemFacts> facts = GatherItemFacts(items, "100", statuses);
  EXPECT_FALSE(facts[0].exemptForCustomer);
  EXPECT_TRUE(facts[1].exemptForCustomer);
  EXPECT_FALSE(facts[2].exemptForCustomer);
  // The customer text is joined as written: 0100 finds K0100G2.
  EXPECT_TRUE(GatherItemFacts(items, "0100", statuses)[2].exemptForCustomer);
}

// Tax K5, a percentage, and group G1, whose items are taxable under it.
struct OneTaxOneGroup {
  OneTaxOneGroup() { groups.AddItem("G1")->OTaxGroupItems()->AddItem(5, true); }
  // A fresh line of tax K5.
  CTaxLine Line() const {
    CTaxLine line(groups);
    line.OTax(tax.get());
    return line;
  }
  CTaxGroups groups;
  CTaxes taxes;
  std::shared_ptr<CTax> tax = taxes.AddItem(5, 0, 0, "", 1, {}, {}, {}, "%", false);
};

TEST(BaseAccumulation, TheFlagIsThatOfTheLastItemLine) {
  const OneTaxOneGroup tables;
  CItemLines items(tables.groups);
  items.AddItem({}, {}, Whole(1), 1, true, "I1", "");
  items.AddItem({}, {}, Whole(2), 1, false, "I2", "");
  CTaxLine line = tables.Line();
  std::string list = "/";
  EXPECT_FALSE(AccumulateTaxableBase(line, items, {{true, {}}, {false, {}}}, list));
  EXPECT_EQ(line.ExemptDollars, Whole(1));
  EXPECT_EQ(line.NonTaxableDollars, Whole(2));
  CTaxLine other = tables.Line();
  EXPECT_TRUE(AccumulateTaxableBase(other, items, {{false, {}}, {true, {}}}, list));
  const CItemLines none(tables.groups);
  EXPECT_FALSE(AccumulateTaxableBase(other, none, {}, list));
}

TEST(BaseAccumulation, TheTaxedItemsListShowsKeysWithoutCapitalI) {
  const OneTaxOneGroup tables;
  CItemLines items(tables.groups);
  for (const char* key : {"IAI9", "", "x", "iIi", "AIIB"}) items.AddItem({}, {}, {}, 1, true, key, "");
  CTaxLine line = tables.Line();
  std::string list = "/";
  AccumulateTaxableBase(line, items, GatherItemFacts(items, "1", CTaxStatuses()), list);
  EXPECT_EQ(list, "/A9//x/ii/AB/");
}

TEST(BaseAccumulation, ATaxKeyNotWrittenAsTheTableWritesItFindsItsGroupItemByText) {
  const OneTaxOneGroup tables;  // group G1 lists tax 5 as taxable
  CItemLines items(tables.groups);
  items.AddItem({}, {}, Whole(10), 1, true, "I1", "");
  const struct {
    const char* key;
    bool taxable;
  } cases[] = {{"K5", true}, {" K5 ", true}, {"k5", true}, {"K05", false}, {"K6", false}, {"K+5", false}};
  for (const auto& c : cases) {
    CTax tax = *tables.tax;
    tax.KeyTaxID = c.key;
    CTaxLine line(tables.groups);
    line.OTax(&tax);
    std::string list = "/";
    AccumulateTaxableBase(line, items, GatherItemFacts(items, "1", CTaxStatuses()), list);
    EXPECT_EQ(line.TaxableDollars, c.taxable ? Whole(10) : Whole(0)) << c.key;
    EXPECT_EQ(line.NonTaxableDollars, c.taxable ? Whole(0) : Whole(10)) << c.key;
  }
}

TEST(BaseAccumulation, CreditLinesAddAsTheyAre) {
  const OneTaxOneGroup tables;
  CItemLines items(tables.groups);
  items.AddItem(Whole(-1), Whole(10), Whole(-10), 1, true, "I1", "");
  items.AddItem(Whole(1), Whole(4), Whole(4), 1, true, "I1", "");
  CTaxLine line = tables.Line();
  std::string list = "/";
  AccumulateTaxableBase(line, items, GatherItemFacts(items, "1", CTaxStatuses()), list);
  EXPECT_EQ(line.TaxableDollars, Whole(-6));
  EXPECT_EQ(list, "/1/1/");
}

using testing::IslandTexts;
using testing::Rowset;
using testing::SmallIslands;

// Tax 4 is 2.50 per unit on items priced from 50 up to, not including, 500; customer 2 is exempt
// on inventory item EX.
IslandTexts PerUnitIslands() {
  IslandTexts islands = SmallIslands();
  islands["taxData"] = Rowset({R"(iKey="4" Description="Tire fee" Sequence="1" ThreshHold="50" )"
                               R"(Cutoff="500" TaxRate="2.5" crTaxType="$")"});
  islands["TaxModelData"] = Rowset({R"(TaxModelItemID="1" TaxID="4")"});
  islands["TaxGroupItemData"] = Rowset({R"(TaxGroupID="1" TaxID="4" IsTaxable="True")"});
  islands["TaxStatusData"] = Rowset({R"(CustomerID="2" crExemptType="InventoryItem" InvItemID="EX")"});
  return islands;
}

TEST(BaseAccumulation, PerUnitTaxCountsQuantitiesInsideItsPriceWindow) {
  const auto tables = LoadReferenceTables(*MakeMemoryHost(PerUnitIslands()));
  const auto row = [](const char* key, const char* price, const char* quantity, const char* inventory) {
    return std::string(R"(detail="1" IsSubItem="False" TaxGroupID="1" IsTaxable="True" LocInvItemID=")") +
           key + R"(" NetPrice=")" + price + R"(" QtyShipped=")" + quantity + R"(" InvItemID=")" + inventory + "\"";
  };
  Calculation calculation(*tables);
  std::string refusal;
  ASSERT_TRUE(TakeRequest(Rowset({
      R"(head="1" CustomerID="2" TaxModel="1")",
      row("A", "49.99", "1", "A"),    // below the threshold
      row("B", "50", "2", "B"),       // at the threshold: inside
      row("C", "499.99", "4", "EX"),  // inside, but exempt for customer 2
      row("D", "500", "8", "D"),      // at the cut-off: outside
      row("E", "60", "16", "EX"),     // inside, exempt
  }), calculation, refusal));
  const CItemLines& items = calculation.itemLines;
  ASSERT_EQ(calculation.taxLines.Count(), 1);
  CTaxLine& line = *calculation.taxLines.Item(1);
  std::string taxedItems = "/";
  const bool lastExempt =
      AccumulateTaxableBase(line, items, GatherItemFacts(items, "2", *tables->TaxStatuses), taxedItems);
  EXPECT_EQ(line.TaxableQuantity, Currency::FromUnits(2 * Currency::kUnitsPerWhole));
  EXPECT_EQ(line.ExemptQuantity, Currency::FromUnits(20 * Currency::kUnitsPerWhole));
  EXPECT_EQ(taxedItems, "/A/B/D/");  // listed before the window is looked at
  EXPECT_TRUE(line.TaxableDollars.IsZero());
  EXPECT_TRUE(line.NonTaxableDollars.IsZero());  // a per-unit tax keeps no dollar amounts
  EXPECT_TRUE(lastExempt);
}

}  // namespace
}  // namespace quorvel

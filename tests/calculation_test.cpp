// Stages of a calculation that the result rowset cannot show on its own: which detail rows become
// item lines, and the quantities a per-unit tax counts inside and outside its price window.
#include <gtest/gtest.h>

#include <string>

#include "control/base_accumulation.hpp"
#include "lines/item_lines.hpp"
#include "lines/tax_lines.hpp"
#include "reference/loader.hpp"
#include "test_support.hpp"
#include "xml/document.hpp"

namespace quorvel {
namespace {

using testing::IslandTexts;
using testing::Rowset;
using testing::SmallIslands;

struct DetailRowCase {
  const char* columns;  // of one detail row
  int lines;            // item lines it gives
  std::int64_t quantityUnits;
};

TEST(ItemLines, OnlyItemAndFreightRowsOfKnownEntitiesBecomeLines) {
  const DetailRowCase cases[] = {
      {R"(QtyShipped="2")", 1, 20000},                                         // ITEM of tblTransItem by default
      {R"(crLineType="FREIGHT" QtyShipped="3")", 1, 30000},
      {R"(crLineType="item" QtyShipped="2")", 0, 0},                           // line types are exact
      {R"(crLineType="COMMENT" QtyShipped="2")", 0, 0},
      {R"(EntityName="tblWODet" QtyOrdered="5" QtyShipped="2")", 1, 50000},   // work orders: ordered
      {R"(EntityName="tblShipmentDet" QtyOrdered="5" QtyShipped="2")", 1, 20000},
      {R"(EntityName="tblOther" QtyShipped="2")", 0, 0},                       // no item line, no check
      {R"(EntityName="tblOther" QtyShipped="not a number")", 0, 0},
      {R"(NetPrice="1")", 1, 0},                                               // quantity defaults to 0
  };
  const auto tables = LoadReferenceTables(*MakeMemoryHost(SmallIslands()));
  for (const DetailRowCase& c : cases) {
    xml::Document document;
    ASSERT_TRUE(document.LoadXml(Rowset({std::string(R"(detail="1" IsSubItem="False" )") + c.columns})));
    CItemLines lines(*tables->TaxGroups);
    lines.XMLDOMNodeList(document.DetailRows());
    ASSERT_EQ(lines.Count(), c.lines) << c.columns;
    if (c.lines == 1) EXPECT_EQ(lines.Item(1)->Quantity.Units(), c.quantityUnits) << c.columns;
  }
}

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
  xml::Document document;
  const auto row = [](const char* key, const char* price, const char* quantity, const char* inventory) {
    return std::string(R"(detail="1" IsSubItem="False" TaxGroupID="1" IsTaxable="True" LocInvItemID=")") +
           key + R"(" NetPrice=")" + price + R"(" QtyShipped=")" + quantity + R"(" InvItemID=")" + inventory + "\"";
  };
  ASSERT_TRUE(document.LoadXml(Rowset({
      row("A", "49.99", "1", "A"),    // below the threshold
      row("B", "50", "2", "B"),       // at the threshold: inside
      row("C", "499.99", "4", "EX"),  // inside, but exempt for customer 2
      row("D", "500", "8", "D"),      // at the cut-off: outside
      row("E", "60", "16", "EX"),     // inside, exempt
  })));
  CItemLines items(*tables->TaxGroups);
  items.XMLDOMNodeList(document.DetailRows());
  CTaxLines taxLines(*tables);
  taxLines.CustomerID(2);
  taxLines.TaxModelID(1);
  ASSERT_EQ(taxLines.Count(), 1);
  CTaxLine& line = *taxLines.Item(1);
  std::string taxedItems = "/";
  const bool lastExempt =
      AccumulateTaxableBase(line, items, GatherItemFacts(items, "2", *tables->TaxStatuses), taxedItems);
  EXPECT_EQ(line.TaxableQuantity, Currency::FromWhole(2));
  EXPECT_EQ(line.ExemptQuantity, Currency::FromWhole(20));
  EXPECT_EQ(taxedItems, "/A/B/D/");  // listed before the window is looked at
  EXPECT_TRUE(line.TaxableDollars.IsZero());
  EXPECT_TRUE(line.NonTaxableDollars.IsZero());  // a per-unit tax keeps no dollar amounts
  EXPECT_TRUE(lastExempt);
}

}  // namespace
}  // namespace quorvel

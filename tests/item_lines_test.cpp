#include "lines/item_lines.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/calculation.hpp"
#include "control/request_intake.hpp"
#include "control/transaction_rows.hpp"
#include "lines/transaction_columns.hpp"
#include "test_support.hpp"
#include "xml/document.hpp"

namespace quorvel {
namespace {

// What a detail row becomes: no line, or a line with these values.
struct RowCase {
  const char* attributes;
  bool isLine;
  std::int64_t quantity = 0, netPrice = 0, extendedPrice = 0;  // units of 0.0001
  const char* taxGroupId = "G0";
  bool isTaxable = false;
  const char* itemKey = "I";
  const char* invItemKey = "I";
};

void PrintTo(const RowCase& c, std::ostream* out) { *out << c.attributes; }

// A transaction whose header (row 1) names tax model 0, which builds no tax lines, then `details`.
std::string Transaction(const std::vector<std::string>& details) {
  std::vector<std::string> rows{R"(head="1" CustomerID="1" TaxModel="0")"};
  for (const std::string& detail : details) rows.push_back(R"(detail="1" IsSubItem="False" )" + detail);
  return testing::Rowset(rows);
}

class DetailRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(DetailRows, BecomeItemLines) {
  const RowCase c = GetParam();
  const ReferenceTables tables;
  Calculation calculation(tables);
  std::string refusal;
  ASSERT_TRUE(TakeRequest(Transaction({c.attributes}), calculation, refusal));
  const CItemLines& lines = calculation.itemLines;
  ASSERT_EQ(lines.Count(), c.isLine ? 1 : 0) << c.attributes;
  if (!c.isLine) return;
  const CItemLine& line = *lines.Item(1);
  EXPECT_EQ(line.Quantity.Units(), c.quantity) << c.attributes;
  EXPECT_EQ(line.NetPrice.Units(), c.netPrice) << c.attributes;
  EXPECT_EQ(line.ExtendedPrice.Units(), c.extendedPrice) << c.attributes;
  EXPECT_EQ(line.TaxGroupID(), c.taxGroupId) << c.attributes;
  EXPECT_EQ(line.IsTaxable, c.isTaxable) << c.attributes;
  EXPECT_EQ(line.ItemKey, c.itemKey) << c.attributes;
  EXPECT_EQ(line.InvItemKey, c.invItemKey) << c.attributes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetailRows,
    ::testing::Values(
        RowCase{"", true},  // every default
        RowCase{R"(QtyShipped="3" QtyOrdered="9")", true, 30000},
        RowCase{R"(EntityName="tblTransItem" QtyShipped="3" QtyOrdered="9")", true, 30000},
        RowCase{R"(EntityName="tblShipmentDet" QtyShipped="3" QtyOrdered="9")", true, 30000},
        RowCase{R"(EntityName="tblWODet" QtyShipped="3" QtyOrdered="9")", true, 90000},
        RowCase{R"(EntityName="tblWODet" QtyShipped="3")", true, 0},
        RowCase{R"(EntityName="tblOther" QtyShipped="3")", false},
        RowCase{R"(EntityName="tblwodet")", false},
        RowCase{R"(crLineType="ITEM")", true},
        RowCase{R"(crLineType="FREIGHT")", true},
        RowCase{R"(crLineType="Item")", false},
        RowCase{R"(crLineType="freight")", false},
        RowCase{R"(crLineType="DISCOUNT")", false},
        RowCase{R"(crLineType="")", false},
        RowCase{R"(NetPrice="12.34567" ExtendedPrice="-0.00005")", true, 0, 123457, 0},
        RowCase{R"(TaxGroupID="12")", true, 0, 0, 0, "G12"},
        RowCase{R"(TaxGroupID="-3")", true, 0, 0, 0, "G-3"},
        RowCase{R"(TaxGroupID="012")", true, 0, 0, 0, "G12"},
        RowCase{R"(TaxGroupID="2.5")", true, 0, 0, 0, "G2"},
        RowCase{R"(IsTaxable="true")", true, 0, 0, 0, "G0", true},
        RowCase{R"(IsTaxable="TRUE")", true, 0, 0, 0, "G0", true},
        RowCase{R"(IsTaxable="-1")", true, 0, 0, 0, "G0", true},
        RowCase{R"(IsTaxable="0")", true, 0, 0, 0, "G0", false},
        RowCase{R"(LocInvItemID="12" InvItemID="A17")", true, 0, 0, 0, "G0", false, "I12", "IA17"},
        RowCase{R"(LocInvItemID="" InvItemID=" x ")", true, 0, 0, 0, "G0", false, "I", "I x "}),
    [](const auto& instance) {
      std::string attributes = instance.param.attributes;
      std::erase(attributes, '"');
      return testing::SpeltName(attributes);
    });

TEST(ItemLines, FindTheirTaxGroup) {
  CTaxGroups groups;
  groups.AddItem("G12")->OTaxGroupItems()->AddItem(1, true);
  CItemLines lines(groups);
  lines.AddItem({}, {}, {}, 12, true, "1", "1");
  lines.AddItem({}, {}, {}, 13, true, "2", "2");
  CItemLine* found = lines.Item(1);
  const CItemLine* missing = lines.Item(2);
  EXPECT_EQ(found->OTaxGroupItems(), groups.Item("G12")->OTaxGroupItems().get());
  EXPECT_EQ(missing->OTaxGroupItems(), nullptr);
  // A group that is not found keeps what the line held.
  found->TaxGroupID("G99");
  EXPECT_EQ(found->OTaxGroupItems(), groups.Item("G12")->OTaxGroupItems().get());
}

TEST(ItemLines, AreReachedByPositionOnly) {
  const CTaxGroups groups;
  CItemLines lines(groups);
  lines.AddItem({}, {}, {}, 0, false, "12", "12");
  lines.AddItem({}, {}, {}, 0, false, "12", "12");
  EXPECT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.Item("I12"), nullptr);
  EXPECT_EQ(lines.Item(1)->ItemKey, "I12");
  EXPECT_EQ(testing::ErrorNumberOf([&] { lines.Item(3); }), errors::kOutOfRange);
}

TEST(ItemLines, AFailingRowKeepsTheLinesBeforeIt) {
  const ReferenceTables tables;
  Calculation calculation(tables);
  std::string refusal;
  const std::string transaction = Transaction({R"(QtyShipped="1")", R"(QtyShipped="")", R"(QtyShipped="2")"});
  const auto caught = testing::ErrorOf([&] { TakeRequest(transaction, calculation, refusal); });
  ASSERT_TRUE(caught);
  EXPECT_EQ(caught->description, "detail row at z:row 3: attribute \"QtyShipped\": type mismatch: \"\" is not a number");
  EXPECT_EQ(calculation.itemLines.Count(), 1);
}

TEST(ItemLines, EveryNodeListAssignmentAppendsItsRows) {
  xml::Document document;
  ASSERT_TRUE(document.Parse(Transaction({R"(QtyShipped="1")", R"(crLineType="DISCOUNT")", R"(QtyShipped="2")"})).parsed);
  std::vector<xml::ReadRow> details;
  ForEachTransactionRow(document, TransactionColumns(), [](const xml::ReadRow&) {},
                             [&](const xml::ReadRow& row) { details.push_back(row); });
  const CTaxGroups groups;
  CItemLines lines(groups);
  lines.XMLDOMNodeList(details);
  lines.XMLDOMNodeList(details);
  ASSERT_EQ(lines.Count(), 4);
  EXPECT_EQ(lines.Item(3)->Quantity, Currency::FromUnits(1 * Currency::kUnitsPerWhole));
  EXPECT_EQ(lines.Item(4)->Quantity, Currency::FromUnits(2 * Currency::kUnitsPerWhole));
}

}  // namespace
}  // namespace quorvel

#include "lines/tax_lines.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.hpp"

namespace quorvel {
namespace {

// Taxes K1, K2, K3 in that order; model K7 lists K3, K9 (no such tax) and K1; model K8 lists
// nothing. Customer 1001 is exempt from K3.
ReferenceTables Tables() {
  ReferenceTables tables;
  for (std::int32_t id : {1, 2, 3}) tables.Taxes->AddItem(id, 0, 0, "", 1, {}, {}, {}, "%", false);
  const auto model = tables.TaxModels->AddItem("K7");
  for (std::int32_t id : {3, 9, 1}) model->OTaxModelItems()->AddItem(id);
  tables.TaxModels->AddItem("K8");
  tables.TaxStatuses->AddItem("K1001K3", "", true, "Tax");
  tables.TaxStatuses->AddItem("K2", "", true, "Tax");  // what an empty customer key finds
  return tables;
}

std::vector<std::string> Lines(const CTaxLines& lines) {
  std::vector<std::string> shown;
  for (const CTaxLine& line : lines) shown.push_back(line.KeyTaxID() + (line.IsExempt ? " exempt" : ""));
  return shown;
}

TEST(TaxLines, FollowTheTaxTableOrderAndTheCustomersExemptions) {
  const ReferenceTables tables = Tables();
  CTaxLines lines(tables);
  lines.CustomerID(1001);
  lines.TaxModelID(7);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"K1", "K3 exempt"}));
  EXPECT_EQ(lines.Item("k3")->KeyTaxID(), "K3");
  EXPECT_EQ(lines.Item("K9"), nullptr);
  EXPECT_EQ(lines.Item("K1")->OTax(), tables.Taxes->Item("K1").get());
  EXPECT_EQ(lines.Item("K1")->OTaxGroupItems(), nullptr);
}

TEST(TaxLines, TheSameModelAgainChangesNothing) {
  const ReferenceTables tables = Tables();
  CTaxLines lines(tables);
  lines.CustomerID(1001);
  lines.TaxModelID(7);
  lines.CustomerID(5);
  lines.TaxModelID(7);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"K1", "K3 exempt"}));
}

TEST(TaxLines, ExemptionsAreDecidedWhenTheModelIsAssigned) {
  const ReferenceTables tables = Tables();
  CTaxLines lines(tables);
  lines.TaxModelID(7);  // no customer yet: the status key is the tax key alone
  lines.CustomerID(1001);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"K1", "K3"}));
}

TEST(TaxLines, ModelZeroOrAnEmptyModelBuildsNoLines) {
  const ReferenceTables tables = Tables();
  CTaxLines zero(tables);
  zero.TaxModelID(0);
  EXPECT_EQ(zero.Count(), 0);
  CTaxLines empty(tables);
  empty.TaxModelID(8);
  EXPECT_EQ(empty.Count(), 0);
}

TEST(TaxLines, AnUnknownModelFailsAndLeavesNoLines) {
  const ReferenceTables tables = Tables();
  CTaxLines lines(tables);
  lines.TaxModelID(7);
  const auto caught = testing::ErrorOf([&] { lines.TaxModelID(77); });
  ASSERT_TRUE(caught);
  EXPECT_EQ(caught->number, errors::kObjectNotSet);
  EXPECT_EQ(caught->description, "tax model \"K77\" is not in the tax model table");
  EXPECT_EQ(lines.Count(), 0);
}

TEST(TaxLines, OneLinePerTax) {
  const ReferenceTables tables = Tables();
  CTaxLines lines(tables);
  lines.AddItem(tables.Taxes->Item("K2").get());
  EXPECT_EQ(testing::ErrorNumberOf([&] { lines.AddItem(tables.Taxes->Item("K2").get()); }), errors::kDuplicateKey);
  EXPECT_EQ(lines.Count(), 1);
  EXPECT_EQ(lines.Item(" k2 "), lines.Item(1));  // keys as the tables compare them
  EXPECT_EQ(lines.Item("K22"), nullptr);
  EXPECT_EQ(testing::ErrorNumberOf([&] { lines.Item(2); }), errors::kOutOfRange);
}

TEST(TaxLine, HasNoKeyBeforeItsTax) {
  const CTaxGroups groups;
  const CTaxLine line(groups);
  EXPECT_EQ(testing::ErrorNumberOf([&] { line.KeyTaxID(); }), errors::kObjectNotSet);
}

TEST(TaxLine, TakesTheGroupOfItsTaxGroupIdWhenItsTaxIsSet) {
  ReferenceTables tables = Tables();
  const auto group = tables.TaxGroups->AddItem("G4");
  CTaxLine line(*tables.TaxGroups);
  line.OTax(tables.Taxes->Item("K1").get());
  EXPECT_EQ(line.OTaxGroupItems(), nullptr);
  line.TaxGroupID("G4");
  EXPECT_EQ(line.OTaxGroupItems(), nullptr);  // only the next OTax assignment looks it up
  line.OTax(tables.Taxes->Item("K1").get());
  EXPECT_EQ(line.OTaxGroupItems(), group->OTaxGroupItems().get());
}

}  // namespace
}  // namespace quorvel

#include "reference/collections.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::ErrorNumberOf;

Currency Whole(std::int64_t whole) { return Currency::FromWhole(whole); }

TEST(CTaxes, AddItemBuildsKeysFromNumbers) {
  CTaxes taxes;
  const auto tax = taxes.AddItem(12, 0, 4010, "State", 1, Whole(0), Whole(0), Whole(6), "%", false);
  EXPECT_EQ(tax->KeyTaxID, "K12");
  EXPECT_EQ(tax->TaxGroupID, "K0");
  EXPECT_EQ(tax->GLAccountID, "K4010");
  EXPECT_EQ(taxes.Item("K12"), tax);
  EXPECT_EQ(taxes.AddItem(-5, -1, 0, "", 0, Whole(0), Whole(0), Whole(0), "", false)->KeyTaxID, "K-5");
}

TEST(CTaxes, AddItemCopiesEveryOtherField) {
  CTaxes taxes;
  const auto tax = taxes.AddItem(1, 2, 3, " Desc ", -7, Whole(10), Whole(20), Currency::FromUnits(12500),
                                 "$ ", true);
  EXPECT_EQ(tax->Description, " Desc ");
  EXPECT_EQ(tax->Sequence, -7);
  EXPECT_EQ(tax->ThreshHold, Whole(10));
  EXPECT_EQ(tax->CutOff, Whole(20));
  EXPECT_EQ(tax->TaxRate.Units(), 12500);
  EXPECT_EQ(tax->crTaxType, "$ ");
  EXPECT_TRUE(tax->IsItemLevel);
}

TEST(CTaxes, ADuplicateTaxLeavesTheFirstUnchanged) {
  CTaxes taxes;
  const auto first = taxes.AddItem(12, 0, 0, "First", 1, Whole(0), Whole(0), Whole(5), "%", false);
  EXPECT_EQ(ErrorNumberOf([&] {
              taxes.AddItem(12, 0, 0, "Second", 1, Whole(0), Whole(0), Whole(9), "%", false);
            }),
            errors::kDuplicateKey);
  EXPECT_EQ(taxes.Count(), 1);
  EXPECT_EQ(taxes.Item("K12")->Description, "First");
}

TEST(CTaxModels, EachModelOwnsItsOwnEmptyItems) {
  CTaxModels models;
  const auto a = models.AddItem("K7");
  const auto b = models.AddItem("K8");
  EXPECT_EQ(a->KeyTaxModelID, "K7");
  EXPECT_EQ(a->OTaxModelItems()->Count(), 0);
  EXPECT_NE(a->OTaxModelItems(), b->OTaxModelItems());
  a->OTaxModelItems()->AddItem(3);
  EXPECT_EQ(a->OTaxModelItems()->Item("K3")->KeyTaxID, "K3");
  EXPECT_EQ(b->OTaxModelItems()->Count(), 0);
  EXPECT_EQ(ErrorNumberOf([&] { a->OTaxModelItems()->AddItem(3); }), errors::kDuplicateKey);
}

TEST(CTaxModels, KeysAreTakenAsGiven) {
  CTaxModels models;
  EXPECT_EQ(models.AddItem("K07")->KeyTaxModelID, "K07");
  EXPECT_EQ(models.Item("K7"), nullptr);
  EXPECT_EQ(ErrorNumberOf([&] { models.AddItem("k07"); }), errors::kDuplicateKey);
}

TEST(CTaxGroups, GroupItemsCarryTheTaxableFlag) {
  CTaxGroups groups;
  const auto group = groups.AddItem("G3");
  group->OTaxGroupItems()->AddItem(1, true);
  group->OTaxGroupItems()->AddItem(2, false);
  EXPECT_TRUE(groups.Item("g3")->OTaxGroupItems()->Item("K1")->IsTaxable);
  EXPECT_FALSE(groups.Item("G3")->OTaxGroupItems()->Item("K2")->IsTaxable);
  EXPECT_EQ(groups.Item("G3")->OTaxGroupItems()->Item("K3"), nullptr);
}

TEST(CTaxGroups, SettingXmlEmptiesTheCollection) {
  CTaxGroups groups;
  groups.AddItem("G1");
  groups.AddItem("G2");
  groups.XML("<xml/>");
  EXPECT_EQ(groups.Count(), 0);
  EXPECT_EQ(groups.Item("G1"), nullptr);
}

TEST(CTaxStatuses, KeyCustomerAndKeyTaxStatusAreTheSameKey) {
  CTaxStatuses statuses;
  const auto status = statuses.AddItem("K100K12", "", true, "Tax");
  EXPECT_EQ(status->KeyCustomer, "K100K12");
  EXPECT_EQ(status->KeyTaxStatus, "K100K12");
  EXPECT_EQ(status->TaxExemptNumber, "");
  EXPECT_TRUE(status->IsExempt);
  EXPECT_EQ(status->TaxExemptType, "Tax");
  EXPECT_EQ(statuses.Item("k100k12"), status);
}

}  // namespace
}  // namespace quorvel

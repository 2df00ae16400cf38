#include "reference/collections.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(CTaxGroups, SettingXmlGivesAnEmptyStoreThatHeldGroupsOutlive) {
  CTaxGroups groups;
  const auto kept = groups.AddItem("G1");
  groups.AddItem("G2");
  groups.XML("<xml/>");
  EXPECT_EQ(groups.Count(), 0);
  EXPECT_EQ(groups.Find("G1"), nullptr);
  EXPECT_EQ(kept->KeyTaxGroupID, "G1");
  groups.AddItem("G1");  // the key is free again
  EXPECT_EQ(groups.Count(), 1);
}

}  // namespace
}  // namespace quorvel

#include "reference/row_index.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.hpp"
#include "xml/document.hpp"

namespace quorvel {
namespace {

// The "n" of each row that RowIndex gives for `key`.
std::vector<std::string> RowsOf(const RowIndex& index, std::string_view key) {
  std::vector<std::string> names;
  for (const xml::Row& row : index.RowsFor(key)) names.emplace_back(row.element.Attribute("n").value_or("?"));
  return names;
}

TEST(RowIndex, GroupsRowsAsXPathComparesTheirKeys) {
  xml::Document document;
  ASSERT_TRUE(document.LoadXml(testing::Rowset({
      R"(g="7" n="a")", R"(g="07" n="b")", R"(g=" 7.0 " n="c")", R"(g="x" n="d")", R"(n="no key")",
      R"(g="-0" n="e")", R"(g="0" n="f")", R"(g="x " n="g")", R"(g="8" n="h")", R"(g="x" n="i")",
      R"(g="1e1" n="j")", R"(g="-3" n="k")"})));
  const RowIndex index(document.RowsetRows(), "g");
  EXPECT_EQ(RowsOf(index, "7"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(RowsOf(index, "007.00"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(RowsOf(index, "0"), (std::vector<std::string>{"e", "f"}));
  EXPECT_EQ(RowsOf(index, "x"), (std::vector<std::string>{"d", "i"}));  // text: exact
  EXPECT_EQ(RowsOf(index, "x "), (std::vector<std::string>{"g"}));
  EXPECT_EQ(RowsOf(index, "1e1"), (std::vector<std::string>{"j"}));    // no number to XPath
  EXPECT_EQ(RowsOf(index, "-3"), (std::vector<std::string>{"k"}));
  EXPECT_TRUE(RowsOf(index, "9").empty());
  EXPECT_TRUE(RowsOf(index, "").empty());
}

TEST(RowIndex, KeepsDocumentOrderAcrossManyGroups) {
  // Whole numbers differ only in the high bits of their doubles: many groups of them must still
  // each find exactly their own rows.
  std::vector<std::string> rows;
  constexpr int kGroups = 5000;
  for (int round = 0; round < 3; ++round) {
    for (int group = 0; group < kGroups; ++group) {
      rows.push_back("g=\"" + std::to_string(group * 16) + "\" n=\"" + std::to_string(round) + "\"");
    }
  }
  xml::Document document;
  ASSERT_TRUE(document.LoadXml(testing::Rowset(rows)));
  const RowIndex index(document.RowsetRows(), "g");
  for (int group = 0; group < kGroups; ++group) {
    ASSERT_EQ(RowsOf(index, std::to_string(group * 16)), (std::vector<std::string>{"0", "1", "2"})) << group;
  }
  EXPECT_TRUE(RowsOf(index, "8").empty());
}

}  // namespace
}  // namespace quorvel

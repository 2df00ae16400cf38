// The tables' version follows the rows as loaded, not the text of the islands they came from.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::IslandTexts;
using testing::Rowset;

// Two taxes, a model, two groups (the first taxable under tax 1) and an exemption.
IslandTexts Baseline() {
  IslandTexts islands = testing::SmallIslands();
  islands["taxData"] = Rowset({
      R"(iKey="1" Description="State" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="6" crTaxType="%")",
      R"(iKey="2" Description="City" Sequence="2" ThreshHold="0" Cutoff="0" TaxRate="1.5" crTaxType="%")"});
  islands["TaxGroupData"] = Rowset({R"(iKey="1")", R"(iKey="2")"});
  return islands;
}

struct Edit {
  const char* name;
  std::function<void(IslandTexts&)> apply;
  bool sameRows;
};

void PrintTo(const Edit& edit, std::ostream* out) { *out << edit.name; }

void Replace(IslandTexts& islands, const char* island, const std::string& from, const std::string& to) {
  std::string& text = islands[island];
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from << " in " << island;
  text.replace(at, from.size(), to);
}

std::string VersionOf(const IslandTexts& islands) { return TablesVersion(*LoadReferenceTables(*MakeMemoryHost(islands))); }

class TablesVersionAfter : public ::testing::TestWithParam<Edit> {};

INSTANTIATE_TEST_SUITE_P(
    Edits, TablesVersionAfter,
    ::testing::Values(
        Edit{"no blanks between elements",
             [](IslandTexts& islands) {
               for (auto& [id, text] : islands) text = std::regex_replace(text, std::regex(">\\s+<"), "><");
             },
             true},
        Edit{"attributes in another order",
             [](IslandTexts& islands) { Replace(islands, "taxData", R"(iKey="2" Description="City")", R"(Description="City" iKey="2")"); },
             true},
        Edit{"single quotes", [](IslandTexts& islands) { Replace(islands, "TaxGroupData", R"(iKey="2")", "iKey='2'"); },
             true},
        Edit{"trailing newline added", [](IslandTexts& islands) { islands["TaxStatusData"] += "\n"; }, true},
        Edit{"rate written with more digits",
             [](IslandTexts& islands) { Replace(islands, "taxData", R"(TaxRate="1.5")", R"(TaxRate="1.50")"); }, true},
        Edit{"a rate changed",
             [](IslandTexts& islands) { Replace(islands, "taxData", R"(TaxRate="1.5")", R"(TaxRate="1.6")"); }, false},
        Edit{"a description changed",
             [](IslandTexts& islands) { Replace(islands, "taxData", R"(Description="City")", R"(Description="Town")"); },
             false},
        Edit{"a model row added",
             [](IslandTexts& islands) { islands["TaxModelData"] = Rowset({R"(TaxModelItemID="1" TaxID="1")", R"(TaxModelItemID="1" TaxID="2")"}); },
             false},
        Edit{"a group's tax moved to the other group",
             [](IslandTexts& islands) { Replace(islands, "TaxGroupItemData", R"(TaxGroupID="1")", R"(TaxGroupID="2")"); },
             false},
        Edit{"a group's tax made non taxable",
             [](IslandTexts& islands) { Replace(islands, "TaxGroupItemData", R"(IsTaxable="1")", R"(IsTaxable="0")"); },
             false},
        Edit{"an exemption number given",
             [](IslandTexts& islands) { Replace(islands, "TaxStatusData", R"(TaxID="1")", R"(TaxID="1" TaxExemptNumber="X")"); },
             false},
        Edit{"one text split between two fields",
             [](IslandTexts& islands) {
               Replace(islands, "taxData", R"(Description="State")", R"(Description="Stat")");
               Replace(islands, "taxData", R"(crTaxType="%")", R"(crTaxType="e%")");
             },
             false}),
    [](const auto& instance) { return testing::TestName(instance.param.name); });

TEST_P(TablesVersionAfter, ChangesOnlyWithTheRows) {
  IslandTexts islands = Baseline();
  GetParam().apply(islands);
  if (GetParam().sameRows) {
    EXPECT_EQ(VersionOf(islands), VersionOf(Baseline()));
  } else {
    EXPECT_NE(VersionOf(islands), VersionOf(Baseline()));
  }
}

TEST(TablesVersion, IsSixteenLowerCaseHexDigits) {
  EXPECT_TRUE(std::regex_match(VersionOf(Baseline()), std::regex("[0-9a-f]{16}")));
}

}  // namespace
}  // namespace quorvel

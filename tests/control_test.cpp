#include "quorvel/quorvel.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::IslandTexts;
using testing::Rowset;
using testing::SmallIslands;

// A sale of 100 to `customer`, taxable under the small islands' tax K1 unless the customer is
// exempt from it (customer 7 is).
std::string Sale(const char* customer) {
  return Rowset({std::string(R"(head="1" TaxModel="1" CustomerID=")") + customer + "\"",
                 R"(detail="1" IsSubItem="False" TaxGroupID="1" IsTaxable="1" ExtendedPrice="100")"});
}

// Runs `test` on a thread of its own, which starts without tables.
void OnANewThread(const std::function<void()>& test) { std::thread(test).join(); }

TEST(Control, AnswersNoDataBeforeAnyLoad) {
  OnANewThread([] {
    const CQuorvel control(MakeMemoryHost(SmallIslands()));
    for (const char* text : {"", "garbage", "<xml><z:row head='1'/></xml>"}) {
      EXPECT_EQ(control.CalcTaxes(text), "NODATA");
    }
  });
}

TEST(Control, LoadTablesAndLoadDataObjectsLoadTheSameTables) {
  OnANewThread([] {
    const CQuorvel control(MakeMemoryHost(SmallIslands()));
    control.LoadTables();
    const std::string viaLoadTables = control.CalcTaxes(Sale("1"));
    control.LoadDataObjects();
    EXPECT_EQ(control.CalcTaxes(Sale("1")), viaLoadTables);
    EXPECT_NE(viaLoadTables.find(R"(ExtendedPrice ="6")"), std::string::npos) << viaLoadTables;
  });
}

TEST(Control, ALoadReplacesTheTablesItDoesNotMergeThem) {
  OnANewThread([] {
    CQuorvel(MakeMemoryHost(SmallIslands())).LoadTables();
    IslandTexts islands = SmallIslands();
    islands["TaxStatusData"] = Rowset({});
    const CQuorvel control(MakeMemoryHost(islands));
    control.LoadDataObjects();
    EXPECT_EQ(control.CalcTaxes(Sale("7")), control.CalcTaxes(Sale("1")));  // 7 no longer exempt
  });
}

TEST(Control, ControlsOfOneThreadShareItsTables) {
  OnANewThread([] {
    const CQuorvel loader(MakeMemoryHost(SmallIslands()));
    const CQuorvel other(MakeMemoryHost({}));
    loader.LoadTables();
    EXPECT_NE(other.CalcTaxes(""), "NODATA");
  });
}

TEST(Control, EachThreadHasItsOwnTables) {
  const CQuorvel control(MakeMemoryHost(SmallIslands()));
  control.LoadTables();
  std::string seenOnOtherThread;
  OnANewThread([&] { seenOnOtherThread = control.CalcTaxes(""); });
  EXPECT_EQ(seenOnOtherThread, "NODATA");
}

struct BadReload {
  const char* name;
  const char* island;
  const char* text;  // nullptr: the island is left out
};

TEST(Control, AFailedLoadLeavesTheTablesAsTheyWere) {
  const BadReload cases[] = {
      {"missing island", "TaxStatusData", nullptr},
      {"unparsable island", "TaxGroupItemData", "<xml"},
      {"bad status row, the last table", "TaxStatusData", R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row CustomerID="1"/></rs:data></xml>)"},
      {"bad tax row, the first table", "taxData", R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row iKey="x"/></rs:data></xml>)"},
  };
  const CQuorvel good(MakeMemoryHost(SmallIslands()));
  good.LoadTables();
  const std::string taxed = good.CalcTaxes(Sale("1")), exempt = good.CalcTaxes(Sale("7"));
  ASSERT_NE(taxed, exempt);
  for (const BadReload& bad : cases) {
    IslandTexts islands = SmallIslands();
    if (bad.text) {
      islands[bad.island] = bad.text;
    } else {
      islands.erase(bad.island);
    }
    const CQuorvel control(MakeMemoryHost(islands));
    EXPECT_NE(testing::ErrorNumberOf([&] { control.LoadTables(); }), 0) << bad.name;
    EXPECT_EQ(control.CalcTaxes(Sale("1")), taxed) << bad.name;
    EXPECT_EQ(control.CalcTaxes(Sale("7")), exempt) << bad.name;
  }
}

TEST(Control, AFailedFirstLoadLeavesNoTables) {
  OnANewThread([] {
    IslandTexts islands = SmallIslands();
    islands["TaxStatusData"] = Rowset({R"(CustomerID="7" crExemptType="Other")"});
    const CQuorvel control(MakeMemoryHost(islands));
    EXPECT_EQ(testing::ErrorNumberOf([&] { control.LoadDataObjects(); }), errors::kBadRow);
    EXPECT_EQ(control.CalcTaxes("<xml/>"), "NODATA");
  });
}

TEST(Error, WhatCarriesNumberAndDescription) {
  const Error error(13, "type mismatch");
  EXPECT_EQ(error.number(), 13);
  EXPECT_EQ(error.description(), "type mismatch");
  EXPECT_STREQ(error.what(), "error 13: type mismatch");
}

}  // namespace
}  // namespace quorvel

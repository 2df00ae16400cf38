#include "quorvel/quorvel.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "control/mod_tax.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::IslandTexts;
using testing::Rowset;
using testing::SmallIslands;

// Each test starts on a thread without tables.
class Control : public ::testing::Test {
 protected:
  void SetUp() override { ModTax::InstallThreadTables(nullptr); }
  void TearDown() override { ModTax::InstallThreadTables(nullptr); }
};

TEST_F(Control, AnswersNoDataBeforeAnyLoad) {
  const CQuorvel control(MakeMemoryHost(SmallIslands()));
  for (const char* text : {"", "garbage", "<xml><z:row head='1'/></xml>"}) {
    EXPECT_EQ(control.CalcTaxes(text), "NODATA");
  }
}

TEST_F(Control, LoadTablesAndLoadDataObjectsLoadTheSameTables) {
  const CQuorvel control(MakeMemoryHost(SmallIslands()));
  control.LoadTables();
  const auto viaLoadTables = ModTax::ThreadTables();
  control.LoadDataObjects();
  const auto viaLoadDataObjects = ModTax::ThreadTables();
  ASSERT_NE(viaLoadTables, nullptr);
  ASSERT_NE(viaLoadDataObjects, nullptr);
  EXPECT_NE(viaLoadTables, viaLoadDataObjects);  // replaced, not merged
  EXPECT_EQ(viaLoadTables->Taxes->Item(1)->KeyTaxID, viaLoadDataObjects->Taxes->Item(1)->KeyTaxID);
}

TEST_F(Control, ControlsOfOneThreadShareItsTables) {
  const CQuorvel loader(MakeMemoryHost(SmallIslands()));
  const CQuorvel other(MakeMemoryHost({}));
  loader.LoadTables();
  EXPECT_NE(other.CalcTaxes(""), "NODATA");
}

TEST_F(Control, EachThreadHasItsOwnTables) {
  const CQuorvel control(MakeMemoryHost(SmallIslands()));
  control.LoadTables();
  std::string seenOnOtherThread;
  std::thread([&] { seenOnOtherThread = control.CalcTaxes(""); }).join();
  EXPECT_EQ(seenOnOtherThread, "NODATA");
}

struct BadReload {
  const char* name;
  const char* island;
  const char* text;  // nullptr: the island is left out
};

TEST_F(Control, AFailedLoadLeavesTheTablesAsTheyWere) {
  const BadReload cases[] = {
      {"missing island", "TaxStatusData", nullptr},
      {"unparsable island", "TaxGroupItemData", "<xml"},
      {"bad status row, the last table", "TaxStatusData", R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row CustomerID="1"/></rs:data></xml>)"},
      {"bad tax row, the first table", "taxData", R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row iKey="x"/></rs:data></xml>)"},
  };
  const CQuorvel good(MakeMemoryHost(SmallIslands()));
  good.LoadTables();
  const auto loaded = ModTax::ThreadTables();
  for (const BadReload& bad : cases) {
    IslandTexts islands = SmallIslands();
    if (bad.text) {
      islands[bad.island] = bad.text;
    } else {
      islands.erase(bad.island);
    }
    const CQuorvel control(MakeMemoryHost(islands));
    EXPECT_NE(testing::ErrorNumberOf([&] { control.LoadTables(); }), 0) << bad.name;
    EXPECT_EQ(ModTax::ThreadTables(), loaded) << bad.name;
    EXPECT_EQ(ModTax::ThreadTables()->TaxStatuses->Count(), 1) << bad.name;
  }
}

TEST_F(Control, AFailedFirstLoadLeavesNoTables) {
  IslandTexts islands = SmallIslands();
  islands["TaxStatusData"] = Rowset({R"(CustomerID="7" crExemptType="Other")"});
  const CQuorvel control(MakeMemoryHost(islands));
  EXPECT_EQ(testing::ErrorNumberOf([&] { control.LoadDataObjects(); }), errors::kBadRow);
  EXPECT_EQ(control.CalcTaxes("<xml/>"), "NODATA");
}

TEST(Error, WhatCarriesNumberAndDescription) {
  const Error error(13, "type mismatch");
  EXPECT_EQ(error.number(), 13);
  EXPECT_EQ(error.description(), "type mismatch");
  EXPECT_STREQ(error.what(), "error 13: type mismatch");
}

}  // namespace
}  // namespace quorvel

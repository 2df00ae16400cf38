// The selection of request intake: which rows of a transaction are its header and its details.
#include "control/transaction_rows.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace quorvel {
namespace {

// "header n; detail n@number ...": what the selection takes from `text`, by the rows' "n".
std::string Selected(const std::string& text) {
  static const xml::ColumnNames columns{"head", "detail", "IsSubItem", "IsDeleted", "n"};
  xml::Document document;
  EXPECT_TRUE(document.Parse(text).parsed) << text;
  std::string header = "none", details;
  ForEachTransactionRow(
      document, columns, [&](const xml::ReadRow& row) { header = row.values.Read(4, "?"); },
      [&](const xml::ReadRow& row) {
        details += " " + std::string(row.values.Read(4, "?")) + "@" + std::to_string(row.number);
      });
  return "header " + header + ";" + details;
}

constexpr const char* kRowset = R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema">)";

TEST(TransactionRows, TheHeaderIsTheFirstRowWithHeadAtAnyDepth) {
  EXPECT_EQ(Selected(std::string(kRowset) + R"(<rs:data head="not-a-row"><z:row Head="wrong case"/>
      <rs:insert><z:row head="" n="first"/></rs:insert><z:row head="1" n="second"/></rs:data></xml>)"),
            "header first;");
}

TEST(TransactionRows, DetailRowsFollowTheSelectionRules) {
  EXPECT_EQ(Selected(std::string(kRowset) + R"(<rs:data>
      <z:row head="1" n="h"/>
      <z:row detail="" IsSubItem="False" n="a"/>
      <z:row detail="1" IsSubItem="false" n="lower-case false"/>
      <z:row detail="1" n="no IsSubItem"/>
      <z:row detail="1" IsSubItem="False" IsDeleted="" n="deleted, empty"/>
      <z:row detail="1" IsSubItem="False" IsDeleted="0" n="deleted, 0"/>
      <z:row IsSubItem="False" n="no detail"/>
      <z:row detail="1" IsSubItem="True" n="sub item"/>
      <z:row detail="1" IsSubItem="False" n="b"><z:row detail="1" IsSubItem="False" n="c"/></z:row>
      <detail detail="1" IsSubItem="False" n="not a row"/>
      <z:row head="2" detail="1" IsSubItem="False" n="d"/>
    </rs:data></xml>)"),
            "header h; a@2 b@9 c@10 d@11");
}

TEST(TransactionRows, InsistOnTheColumnsThatSelect) {
  EXPECT_THROW(SelectionColumns(xml::ColumnNames{"head", "detail"}), std::logic_error);
}

}  // namespace
}  // namespace quorvel

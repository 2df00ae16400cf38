#include "xml/columns.hpp"

#include <gtest/gtest.h>

#include <string>

#include "xml/document.hpp"

namespace quorvel::xml {
namespace {

const ColumnNames& Names() {
  static const ColumnNames names{"head", "detail", "IsSubItem", "IsDeleted", "IsTaxable",
                                 "a",    "ab",     "abc",       "AColumnNameLongerThanTwoWords"};
  return names;
}

// Every column of every row, as the reader gives it and as a plain attribute search gives it.
void ExpectReaderMatchesSearch(const std::string& text) {
  Document document;
  ASSERT_TRUE(document.Parse(text).parsed) << text;
  ColumnReader reader(Names(), document.Storage());
  int rows = 0;
  document.ForEachRow([&](const Element& row, int number) {
    ++rows;
    const ColumnValues read = reader.Read(row);
    const char* names[] = {"head", "detail", "IsSubItem", "IsDeleted", "IsTaxable",
                           "a",    "ab",     "abc",       "AColumnNameLongerThanTwoWords"};
    for (std::size_t column = 0; column < std::size(names); ++column) {
      EXPECT_EQ(read.Get(column), row.Attribute(names[column])) << "row " << number << ", " << names[column];
    }
  });
  EXPECT_GT(rows, 0);
}

TEST(ColumnReader, ReadsWhatASearchFindsWhateverTheOrder) {
  ExpectReaderMatchesSearch(R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data>
      <z:row detail="1" IsSubItem="False" IsTaxable="True" a="1" ab="2" abc="3"/>
      <z:row detail="2" IsSubItem="False" IsTaxable="False" a="4" ab="5" abc="6"/>
      <z:row abc="7" ab="8" a="9" IsTaxable="x" IsSubItem="y" detail="z"/>
      <z:row IsSubIte="no" IsSubItemX="no" IsDeleted="" a="" other="o" Detail="case"/>
      <z:row AColumnNameLongerThanTwoWords="long" detail="3"/>
      <z:row AColumnNameLongerThanTwoWordz="near" AColumnNameLongerThanTwoWords="long"/>
      <z:row/>
      <z:row head="h" detail="d"/>
      <z:row detail="4" xml:lang="en" a="10"/>
      <z:row detail="5" xml:lang="en" a="11"/>
      <z:row detail="6" IsSubItem="False" IsTaxable="True" a="12" ab="13" abc="14"/>
    </rs:data></xml>)");
}

TEST(ColumnReader, ReadsRowsWithMoreAttributesThanItGuesses) {
  std::string row = "<z:row";
  for (int i = 0; i < 40; ++i) row += " x" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  ExpectReaderMatchesSearch("<xml xmlns:z='#RowsetSchema'>" + row + " abc=\"last\" a=\"end\"/>" + row + " a=\"again\"/>" + row +
                            " a=\"and again\"/></xml>");
}

}  // namespace
}  // namespace quorvel::xml

#include "xml/document.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_support.hpp"
#include "xml/attribute_reader.hpp"

namespace quorvel::xml {
namespace {

std::string Value(const Element& element, const char* name) {
  return std::string(element.Attribute(name).value_or("<absent>"));
}

// The rows of `document` at any depth, in document order.
std::vector<Element> Rows(const Document& document) {
  std::vector<Element> rows;
  document.ForEachRow([&](const Element& row, int) { rows.push_back(row); });
  return rows;
}

TEST(Document, TextThatDoesNotParseHasNoRows) {
  for (const char* text : {"", "NOT XML", "<xml><rs:data><z:row head=\"1\"/>", "<a></b>",
                           "<xml><z:row head='1'/></xml><second/>",
                           "junk<xml><z:row head='1'/></xml>"}) {
    Document document;
    EXPECT_FALSE(document.Parse(text).parsed) << text;
    EXPECT_TRUE(Rows(document).empty()) << text;
    EXPECT_TRUE(document.RowsetRows().empty()) << text;
  }
}

TEST(Document, ParsingAgainReplacesTheDocument) {
  Document document;
  const std::string longText =
      "<xml xmlns:z='#RowsetSchema'><z:row head='long' pad='" + std::string(100, 'x') + "'/></xml>";
  const char* texts[] = {longText.c_str(), "<z:row xmlns:z='#RowsetSchema' head='1'/>", "<x/>", "<a></b>",
                         "<z:row xmlns:z='#RowsetSchema' head='2'/>"};
  const char* heads[] = {"long", "1", nullptr, nullptr, "2"};
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    document.Parse(texts[i]);
    const std::vector<Element> rows = Rows(document);
    ASSERT_EQ(rows.size(), heads[i] ? 1u : 0u) << texts[i];
    if (heads[i]) {
      EXPECT_EQ(rows[0].Attribute("head"), heads[i]);
    }
  }
}

TEST(Document, RowsetRowsFollowTheRowsetPathOnly) {
  Document document;
  ASSERT_TRUE(document.Parse(
      R"(<xml xmlns:s="uuid:x" xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema">
           <s:Schema id="RowsetSchema"><z:row n="in-schema"/></s:Schema>
           <rs:data><z:row n="1"/><other><z:row n="nested"/></other><z:row n="2"/><row n="plain"/></rs:data>
           <rs:data><z:row n="3"/></rs:data>
         </xml>)").parsed);
  const std::vector<Row> rows = document.RowsetRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Value(rows[0].element, "n"), "1");
  EXPECT_EQ(Value(rows[1].element, "n"), "2");
  EXPECT_EQ(Value(rows[2].element, "n"), "3");
  EXPECT_EQ(rows[2].number, 3);
}

TEST(Document, RowsetRowsNeedTheXmlRoot) {
  Document document;
  ASSERT_TRUE(document.Parse(R"(<root xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row n="1"/></rs:data></root>)").parsed);
  EXPECT_TRUE(document.RowsetRows().empty());
}

TEST(Document, AttributesAreReadByExactName) {
  Document document;
  ASSERT_TRUE(document.Parse(R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row head="1" Name="R&amp;D" empty="" tab="a&#9;b"/></rs:data></xml>)").parsed);
  const Element row = Rows(document).at(0);
  EXPECT_EQ(Value(row, "Name"), "R&D");
  EXPECT_EQ(Value(row, "name"), "<absent>");
  EXPECT_EQ(Value(row, "empty"), "");
  EXPECT_EQ(Value(row, "tab"), "a\tb");
}

TEST(AttributeReader, GivesTheDefaultOnlyWhenAbsent) {
  Document document;
  ASSERT_TRUE(document.Parse(R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><z:row head="1" present="x" empty=""/></xml>)").parsed);
  const Element row = Rows(document).at(0);
  EXPECT_EQ(ReadAttribute(row, "present", "default"), "x");
  EXPECT_EQ(ReadAttribute(row, "empty", "default"), "");
  EXPECT_EQ(ReadAttribute(row, "missing", "default"), "default");
  EXPECT_EQ(ReadAttribute(row, "missing", "0"), "0");
}

}  // namespace
}  // namespace quorvel::xml

#include "xml/document.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_support.hpp"
#include "xml/attribute_reader.hpp"
#include "xml/xpath_number.hpp"

namespace quorvel::xml {
namespace {

std::string Value(const Element& element, const char* name) {
  return std::string(element.Attribute(name).value_or("<absent>"));
}

TEST(Document, TextThatDoesNotParseHasNoRows) {
  for (const char* text : {"", "NOT XML", "<xml><rs:data><z:row head=\"1\"/>", "<a></b>",
                           "<xml><z:row head='1'/></xml><second/>",
                           "junk<xml><z:row head='1'/></xml>"}) {
    Document document;
    EXPECT_FALSE(document.LoadXml(text)) << text;
    EXPECT_FALSE(document.HeaderRow()) << text;
    EXPECT_TRUE(document.DetailRows().empty()) << text;
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
    document.LoadXml(texts[i]);
    const std::optional<Element> header = document.HeaderRow();
    ASSERT_EQ(header.has_value(), heads[i] != nullptr) << texts[i];
    if (header) {
      EXPECT_EQ(header->Attribute("head"), heads[i]);
    }
  }
}

TEST(Document, ParseOutcomeSaysWhereItFailed) {
  Document document;
  const ParseOutcome outcome = document.Parse("<xml><a></b></xml>");
  EXPECT_FALSE(outcome.parsed);
  EXPECT_FALSE(outcome.reason.empty());
  EXPECT_GT(outcome.offset, 0u);
}

TEST(Document, RowsetRowsFollowTheRowsetPathOnly) {
  Document document;
  ASSERT_TRUE(document.LoadXml(
      R"(<xml xmlns:s="uuid:x" xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema">
           <s:Schema id="RowsetSchema"><z:row n="in-schema"/></s:Schema>
           <rs:data><z:row n="1"/><other><z:row n="nested"/></other><z:row n="2"/><row n="plain"/></rs:data>
           <rs:data><z:row n="3"/></rs:data>
         </xml>)"));
  const std::vector<Row> rows = document.RowsetRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Value(rows[0].element, "n"), "1");
  EXPECT_EQ(Value(rows[1].element, "n"), "2");
  EXPECT_EQ(Value(rows[2].element, "n"), "3");
  EXPECT_EQ(rows[2].number, 3);
}

TEST(Document, RowsetRowsNeedTheXmlRoot) {
  Document document;
  ASSERT_TRUE(document.LoadXml(R"(<root xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row n="1"/></rs:data></root>)"));
  EXPECT_TRUE(document.RowsetRows().empty());
}

TEST(Document, HeaderRowIsTheFirstRowWithHeadAtAnyDepth) {
  Document document;
  ASSERT_TRUE(document.LoadXml(
      R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data head="not-a-row"><z:row Head="wrong case"/>
           <rs:insert><z:row head="" n="first"/></rs:insert><z:row head="1" n="second"/></rs:data></xml>)"));
  const auto header = document.HeaderRow();
  ASSERT_TRUE(header);
  EXPECT_EQ(Value(*header, "n"), "first");
}

TEST(Document, DetailRowsFollowTheSelectionRules) {
  Document document;
  ASSERT_TRUE(document.LoadXml(R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data>
      <z:row head="1"/>
      <z:row detail="" IsSubItem="False" n="a"/>
      <z:row detail="1" IsSubItem="false" n="lower-case false"/>
      <z:row detail="1" n="no IsSubItem"/>
      <z:row detail="1" IsSubItem="False" IsDeleted="" n="deleted, empty"/>
      <z:row detail="1" IsSubItem="False" IsDeleted="0" n="deleted, 0"/>
      <z:row IsSubItem="False" n="no detail"/>
      <z:row detail="1" IsSubItem="True" n="sub item"/>
      <z:row detail="1" IsSubItem="False" n="b"><z:row detail="1" IsSubItem="False" n="c"/></z:row>
      <detail detail="1" IsSubItem="False" n="not a row"/>
    </rs:data></xml>)"));
  const std::vector<Row> rows = document.DetailRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Value(rows[0].element, "n"), "a");
  EXPECT_EQ(rows[0].number, 2);
  EXPECT_EQ(Value(rows[1].element, "n"), "b");
  EXPECT_EQ(rows[1].number, 9);
  EXPECT_EQ(Value(rows[2].element, "n"), "c");
  EXPECT_EQ(rows[2].number, 10);
}

TEST(Document, AttributesAreReadByExactName) {
  Document document;
  ASSERT_TRUE(document.LoadXml(R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data><z:row head="1" Name="R&amp;D" empty="" tab="a&#9;b"/></rs:data></xml>)"));
  const Element row = *document.HeaderRow();
  EXPECT_EQ(Value(row, "Name"), "R&D");
  EXPECT_EQ(Value(row, "name"), "<absent>");
  EXPECT_EQ(Value(row, "empty"), "");
  EXPECT_EQ(Value(row, "tab"), "a\tb");
  EXPECT_TRUE(row.HasAttribute("empty"));
  EXPECT_FALSE(row.HasAttribute("Empty"));
}

TEST(AttributeReader, GivesTheDefaultOnlyWhenAbsent) {
  Document document;
  ASSERT_TRUE(document.LoadXml(R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><z:row head="1" present="x" empty=""/></xml>)"));
  const Element row = *document.HeaderRow();
  EXPECT_EQ(ReadAttribute(row, "present", "default"), "x");
  EXPECT_EQ(ReadAttribute(row, "empty", "default"), "");
  EXPECT_EQ(ReadAttribute(row, "missing", "default"), "default");
  EXPECT_EQ(ReadAttribute(row, "missing", "0"), "0");
}

TEST(Document, RefusesADtdRatherThanExpandOrLoadEntities) {
  Document document;
  const ParseOutcome outcome = document.Parse(
      R"(<!DOCTYPE xml [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;"><!ENTITY ext SYSTEM "file:///etc/passwd">]>
         <xml xmlns:z="#RowsetSchema"><z:row head="&b;" other="&ext;"/></xml>)");
  EXPECT_FALSE(outcome.parsed);
  EXPECT_EQ(outcome.reason, "a DTD is not accepted");
  EXPECT_FALSE(document.HeaderRow());
}

TEST(Document, DeepNestingDoesNotExhaustTheStack) {
  std::string text = R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema">)";
  for (int i = 0; i < 100000; ++i) text += "<a>";
  text += "<z:row head=\"deep\"/>";
  for (int i = 0; i < 100000; ++i) text += "</a>";
  text += "</xml>";
  Document document;
  ASSERT_TRUE(document.LoadXml(text));
  const auto header = document.HeaderRow();
  ASSERT_TRUE(header);
  EXPECT_EQ(Value(*header, "head"), "deep");
}

TEST(XPathNumber, ReadsWhatXPathReadsAsANumber) {
  EXPECT_EQ(XPathNumber("7"), 7.0);
  EXPECT_EQ(XPathNumber("07"), 7.0);
  EXPECT_EQ(XPathNumber(" 7.0 "), 7.0);
  EXPECT_EQ(XPathNumber("\n-7\t"), -7.0);
  EXPECT_EQ(XPathNumber(".5"), 0.5);
  EXPECT_EQ(XPathNumber("5."), 5.0);
  EXPECT_EQ(XPathNumber("-0"), 0.0);
  for (const char* text : {"", "+7", "7a", "1e3", "abc", "-", ".", "7 ]", "1 or 1=1", "--7"}) {
    EXPECT_FALSE(XPathNumber(text)) << text;
  }
}

}  // namespace
}  // namespace quorvel::xml

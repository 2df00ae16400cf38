#include "control/result_writer.hpp"

#include <gtest/gtest.h>

#include <string>

#include "common/conversions.hpp"

namespace quorvel {
namespace {

const std::string kEmpty =
    "<xml>\r\n<rs:data xmlns:rs=\"urn:schemas-microsoft-com:rowset\" TaxItems=\"/\" >\r\n</rs:data>\r\n</xml>";

TEST(ResultWriter, WritesHeaderAndFooterWithoutRows) {
  const ReferenceTables tables;
  const CTaxLines lines(tables);
  EXPECT_EQ(WriteResultRowset(lines, "/"), kEmpty);
}

TEST(ResultWriter, SkipsLinesWithoutTaxButKeepsTheList) {
  ReferenceTables tables;
  CTaxLines lines(tables);
  lines.AddItem(tables.Taxes->AddItem(1, 0, 0, "", 1, {}, {}, {}, "%", false).get()).TaxableDollars = ToCurrency("5");
  const std::string result = WriteResultRowset(lines, "/12/");
  EXPECT_EQ(result.find("<z:row"), std::string::npos);
  EXPECT_NE(result.find("TaxItems=\"/12/\" >"), std::string::npos);
}

TEST(ResultWriter, WritesOneRowCharacterForCharacter) {
  ReferenceTables tables;
  CTaxLines lines(tables);
  CTaxLine* line =
      &lines.AddItem(tables.Taxes->AddItem(7, 0, 4010, "  KKK Road Fund ", 1, {}, {}, ToCurrency("0.5"), " $ ", false).get());
  line->TaxableDollars = ToCurrency("-12.5");
  line->TaxableQuantity = ToCurrency("3");
  line->TotalTax = ToCurrency("-3.5");
  line->NonTaxableDollars = ToCurrency("0.25");
  line->ExemptDollars = ToCurrency("1.8750");
  EXPECT_EQ(WriteResultRowset(lines, "/"),
            "<xml>\r\n<rs:data xmlns:rs=\"urn:schemas-microsoft-com:rowset\" TaxItems=\"/\" >\r\n"
            "\t<z:row xmlns:z=\"#RowsetSchema\"\tInvShortDesc = \"KKK Road Fund\"\r\n"
            "\t\tcrTaxType = \"$\"\r\n"
            "\t\tcrTaxRate = \"0.5\"\r\n"
            "\t\tGLAccountID = \"4010\"\r\n"
            "\t\tTaxID = \"7\"\r\n"
            "\t\tNetPrice =\"-12.5\"\r\n"
            "\t\tQtyShipped =\"3\"\r\n"
            "\t\tExtendedPrice =\"-3.5\"\r\n"
            "\t\tProfilePrice = \"0.25\"\r\n"
            "\t\tDiscountAmount = \"1.875\"\r\n"
            "\t />\r\n"
            "</rs:data>\r\n</xml>");
}

TEST(ResultWriter, EscapesWhatWouldBreakTheDocument) {
  ReferenceTables tables;
  CTaxLines lines(tables);
  lines.AddItem(tables.Taxes->AddItem(1, 0, 0, "District \"B\" <Park & Ride>", 1, {}, {}, {}, "\t%", false).get())
      .TotalTax = ToCurrency("1");
  const std::string result = WriteResultRowset(lines, "/R&D/<a>/\"q\"/");
  EXPECT_NE(result.find("TaxItems=\"/R&amp;D/&lt;a&gt;/&quot;q&quot;/\" >"), std::string::npos);
  EXPECT_NE(result.find("InvShortDesc = \"District &quot;B&quot; &lt;Park &amp; Ride&gt;\""), std::string::npos);
  EXPECT_NE(result.find("crTaxType = \"\t%\""), std::string::npos);  // only spaces are trimmed
}

// Each special character at every position of texts longer than a few words, and two in a
// row: the text is scanned a word at a time, so a miss at any offset would show here.
TEST(AppendEscaped, FindsEverySpecialCharacterWhereverItStands) {
  const std::pair<char, const char*> specials[] = {
      {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}};
  for (const auto& [special, escaped] : specials) {
    for (std::size_t length = 1; length <= 26; ++length) {
      for (std::size_t at = 0; at < length; ++at) {
        std::string text(length, 'x');
        text[at] = special;
        if (at + 1 < length) text[at + 1] = special;
        std::string expected;
        for (char c : text) expected += c == special ? escaped : std::string(1, c);
        std::string out = "/";
        AppendEscaped(out, text);
        EXPECT_EQ(out, "/" + expected) << special << " at " << at << " of " << length;
      }
    }
  }
}

}  // namespace
}  // namespace quorvel

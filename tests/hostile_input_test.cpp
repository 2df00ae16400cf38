// Hostile input: documents built to break, exhaust or mislead the engine. Every case is answered
// by a result or by one clear error, and a failed load leaves the thread's tables as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "common/number_text.hpp"
#include "control/mod_tax.hpp"
#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

using namespace std::string_literals;
using testing::IslandTexts;
using testing::Rowset;
using testing::SmallIslands;

// ---- Building transactions ----

constexpr const char* kRowsetOpen =
    R"(<xml xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema"><rs:data>)";
constexpr const char* kRowsetClose = "</rs:data></xml>";
constexpr const char* kHeader = R"(<z:row head="1" CustomerID="1" TaxModel="1"/>)";

// A detail row taxable under tax K1 of the small islands, with `columns` added.
std::string Detail(const std::string& columns) {
  return R"(<z:row detail="1" IsSubItem="False" TaxGroupID="1" IsTaxable="True" )" + columns + "/>";
}

// A transaction of customer 1 under tax model 1 with the given rows after its header.
std::string Transaction(const std::string& rows, const std::string& header = kHeader) {
  return kRowsetOpen + header + rows + kRowsetClose;
}

std::string Repeated(const std::string& text, int times) {
  std::string out;
  out.reserve(text.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// ---- Reading results ----

struct ResultRow {
  std::string description, netPrice, tax;
};

struct Result {
  std::string taxItems;
  std::vector<ResultRow> rows;
};

// The result rowset read back by an XML parser; a result that is no XML fails the test.
Result ReadResult(const std::string& text) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
  EXPECT_TRUE(parsed) << "the result is not XML: " << parsed.description();
  const pugi::xml_node data = document.child("xml").child("rs:data");
  Result result{data.attribute("TaxItems").value(), {}};
  for (pugi::xml_node row : data.children("z:row")) {
    result.rows.push_back({row.attribute("InvShortDesc").value(), row.attribute("NetPrice").value(),
                           row.attribute("ExtendedPrice").value()});
  }
  return result;
}

// ---- The cases ----

// A hostile input and what it must give: exactly this error, or a result `check` accepts.
struct HostileCase {
  const char* name;
  std::function<std::string()> input;
  int error = 0;
  std::string description;  // the whole error description, when `error` is set
  std::function<void(const std::string& result)> check = nullptr;
};

void PrintTo(const HostileCase& hostile, std::ostream* out) { *out << hostile.name; }

// ---- Transactions ----

// Each test runs on a thread holding the small islands, and leaves it without tables.
template <typename Case>
class OnSmallIslands : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override { CQuorvel(MakeMemoryHost(SmallIslands())).LoadTables(); }
  void TearDown() override { ModTax::InstallThreadTables(nullptr); }
};

class HostileTransactions : public OnSmallIslands<HostileCase> {};

TEST_P(HostileTransactions, AnswerWithAResultOrOneClearError) {
  const HostileCase& hostile = GetParam();
  const std::string text = hostile.input();
  std::string result;
  const auto caught = testing::ErrorOf([&] { result = CQuorvel(MakeMemoryHost({})).CalcTaxes(text); });
  if (hostile.error != 0) {
    ASSERT_TRUE(caught) << "no error; the result begins " << result.substr(0, 200);
    EXPECT_EQ(caught->number, hostile.error);
    EXPECT_EQ(caught->description, hostile.description);
    return;
  }
  ASSERT_FALSE(caught) << "error " << caught->number << ": " << caught->description;
  hostile.check(result);
}

// The tax K1 (6%) on the given taxable amount, as the only result row.
std::function<void(const std::string&)> OneTaxRow(std::string netPrice, std::string tax) {
  return [netPrice, tax](const std::string& text) {
    const Result result = ReadResult(text);
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0].netPrice, netPrice);
    EXPECT_EQ(result.rows[0].tax, tax);
  };
}

void IsNoHeader(const std::string& result) { EXPECT_EQ(result, "NOHEADER"); }

const std::string k400Nines(400, '9');
const std::string kShownNines = std::string(60, '9') + "...";  // messages cut long values short

// The rows of the 50 MB transaction: each taxable for 0.01, and one more for their count.
const std::string kSmallRow = Detail(R"(ExtendedPrice="0.01" LocInvItemID="x")");
const int kSmallRows = static_cast<int>(50'000'000 / kSmallRow.size());

INSTANTIATE_TEST_SUITE_P(
    Size, HostileTransactions,
    ::testing::Values(
        HostileCase{"100000 elements nested around a detail row",
                    [] {
                      return Transaction(Repeated("<a>", 100000) + Detail(R"(ExtendedPrice="10")") +
                                         Repeated("</a>", 100000));
                    },
                    0, "", OneTaxRow("10", "0.6")},
        HostileCase{"100000 detail rows each nested in the one before",
                    [] {
                      return Transaction(Repeated(R"(<z:row detail="1" IsSubItem="False" TaxGroupID="1" )"
                                                  R"(IsTaxable="True" ExtendedPrice="0.01">)",
                                                  100000) +
                                         Repeated("</z:row>", 100000));
                    },
                    0, "", OneTaxRow("1000", "60")},
        HostileCase{"100000 elements never closed", [] { return Transaction(Repeated("<a>", 100000)); },
                    0, "", IsNoHeader},
        HostileCase{"50 MB of detail rows",
                    [] {
                      return Transaction(Repeated(kSmallRow, kSmallRows) +
                                         Detail(R"(ExtendedPrice=")" + std::to_string(kSmallRows) + "\""));
                    },
                    0, "",
                    [](const std::string& text) {
                      const Currency taxable = Currency::FromUnits(std::int64_t{kSmallRows} * 10100);
                      const Result result = ReadResult(text);
                      ASSERT_EQ(result.rows.size(), 1u);
                      EXPECT_EQ(result.rows[0].netPrice, NumberText(taxable));
                      EXPECT_EQ(std::count(result.taxItems.begin(), result.taxItems.end(), 'x'), kSmallRows);
                    }},
        HostileCase{"a 50 MB attribute value",
                    [] {
                      return Transaction(Detail(R"(ExtendedPrice="1" LocInvItemID=")" +
                                                std::string(50'000'000, 'x') + "\""));
                    },
                    0, "",
                    [](const std::string& text) {
                      EXPECT_EQ(ReadResult(text).taxItems, "/" + std::string(50'000'000, 'x') + "/");
                    }},
        HostileCase{"50 MB of blanks", [] { return std::string(50'000'000, ' '); }, 0, "", IsNoHeader},
        HostileCase{"a thousand detail rows of one item",
                    [] { return Transaction(Repeated(Detail(R"(ExtendedPrice="2.5" LocInvItemID="77")"), 1000)); },
                    0, "",
                    [](const std::string& text) {
                      const Result result = ReadResult(text);
                      EXPECT_EQ(result.taxItems, "/" + Repeated("77/", 1000));
                      ASSERT_EQ(result.rows.size(), 1u);
                      EXPECT_EQ(result.rows[0].netPrice, "2500");
                      EXPECT_EQ(result.rows[0].tax, "150");
                    }}),
    testing::CaseName());

// Files that an entity or DTD reference names; their text must never reach a result.
constexpr const char* kFromDisk = "READ-FROM-DISK";

std::string WrittenFile(const char* name, const std::string& text) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

std::string DiskText() { return WrittenFile("quorvel-hostile-entity.txt", kFromDisk); }
std::string DiskDtd() {
  return WrittenFile("quorvel-hostile.dtd", "<!ENTITY ext \"" + std::string(kFromDisk) + "\">");
}

// Ten levels of entities, each ten of the one below: a billion "lol"s if expanded.
std::string LaughsDoctype() {
  std::string doctype = R"(<!DOCTYPE xml [<!ENTITY lol0 "lol">)";
  for (int level = 1; level <= 9; ++level) {
    doctype += "<!ENTITY lol" + std::to_string(level) + " \"" +
               Repeated("&lol" + std::to_string(level - 1) + ";", 10) + "\">";
  }
  return doctype + "]>";
}

INSTANTIATE_TEST_SUITE_P(
    Entities, HostileTransactions,
    ::testing::Values(
        HostileCase{"internal entities in a number",
                    [] { return LaughsDoctype() + Transaction("", R"(<z:row head="1" CustomerID="1" TaxModel="&lol9;"/>)"); },
                    0, "", IsNoHeader},
        HostileCase{"internal entities in a text",
                    [] { return LaughsDoctype() + Transaction(Detail(R"(ExtendedPrice="1" LocInvItemID="&lol9;")")); },
                    0, "", IsNoHeader},
        HostileCase{"an external entity",
                    [] {
                      return R"(<!DOCTYPE xml [<!ENTITY ext SYSTEM ")" + DiskText() + R"(">]>)" +
                             Transaction(Detail(R"(ExtendedPrice="1" LocInvItemID="&ext;")"));
                    },
                    0, "", IsNoHeader},
        HostileCase{"an external DTD",
                    [] {
                      return R"(<!DOCTYPE xml SYSTEM ")" + DiskDtd() + R"(">)" +
                             Transaction(Detail(R"(ExtendedPrice="1" LocInvItemID="&ext;")"));
                    },
                    0, "", IsNoHeader},
        HostileCase{"an external parameter entity",
                    [] {
                      return R"(<!DOCTYPE xml [<!ENTITY % dtd SYSTEM ")" + DiskDtd() + R"("> %dtd;]>)" +
                             Transaction(Detail(R"(ExtendedPrice="1" LocInvItemID="&ext;")"));
                    },
                    0, "", IsNoHeader}),
    testing::CaseName());

INSTANTIATE_TEST_SUITE_P(
    Encoding, HostileTransactions,
    ::testing::Values(
        HostileCase{"a NUL byte in a value",
                    [] { return Transaction(Detail("ExtendedPrice=\"1\" LocInvItemID=\"a\0b\""s)); }, 0, "",
                    IsNoHeader},
        HostileCase{"a NUL byte before the document", [] { return "\0"s + Transaction(""); }, 0, "",
                    IsNoHeader},
        HostileCase{"invalid UTF-8 in a text",
                    [] { return Transaction(Detail("ExtendedPrice=\"1\" LocInvItemID=\"\xff\xfe\xc3(\"")); }, 0, "",
                    IsNoHeader},
        HostileCase{"invalid UTF-8 in a number",
                    [] { return Transaction("", "<z:row head=\"1\" CustomerID=\"1\" TaxModel=\"1\xc0\"/>"); },
                    0, "", IsNoHeader},
        HostileCase{"a UTF-16 document",
                    [] {
                      std::string wide = "\xff\xfe";
                      for (char c : Transaction("")) wide += {c, '\0'};
                      return wide;
                    },
                    0, "", IsNoHeader}),
    testing::CaseName());

INSTANTIATE_TEST_SUITE_P(
    Numbers, HostileTransactions,
    ::testing::Values(
        HostileCase{"400 digits", [] { return Transaction(Detail("ExtendedPrice=\"" + k400Nines + "\"")); },
                    errors::kOverflow,
                    "detail row at z:row 2: attribute \"ExtendedPrice\": overflow: \"" + kShownNines +
                        "\" is outside the range of currency"},
        HostileCase{"an exponent", [] { return Transaction(Detail(R"(QtyShipped="1e400")")); },
                    errors::kTypeMismatch,
                    R"(detail row at z:row 2: attribute "QtyShipped": type mismatch: "1e400" is not a number)"},
        HostileCase{"NaN", [] { return Transaction(Detail(R"(NetPrice="NaN")")); }, errors::kTypeMismatch,
                    R"(detail row at z:row 2: attribute "NetPrice": type mismatch: "NaN" is not a number)"},
        HostileCase{"Infinity", [] { return Transaction(Detail(R"(ExtendedPrice="-Infinity")")); },
                    errors::kTypeMismatch,
                    R"(detail row at z:row 2: attribute "ExtendedPrice": type mismatch: "-Infinity" is not a number)"},
        HostileCase{"hexadecimal",
                    [] { return Transaction(R"(<z:row detail="1" IsSubItem="False" TaxGroupID="0x10"/>)"); },
                    errors::kTypeMismatch,
                    R"(detail row at z:row 2: attribute "TaxGroupID": type mismatch: "0x10" is not a number)"},
        HostileCase{"the lowest customer",
                    [] {
                      return Transaction(Detail(R"(ExtendedPrice="10")"),
                                         R"(<z:row head="1" CustomerID="-2147483648" TaxModel="1"/>)");
                    },
                    0, "", OneTaxRow("10", "0.6")},
        HostileCase{"the highest tax model, not in the table",
                    [] { return Transaction("", R"(<z:row head="1" CustomerID="1" TaxModel="2147483647"/>)"); },
                    errors::kObjectNotSet,
                    R"(header row: attribute "TaxModel", value "2147483647": tax model "K2147483647" is not in the tax model table)"},
        HostileCase{"the highest currency amount, taxed",
                    [] { return Transaction(Detail(R"(ExtendedPrice="922337203685477.5807")")); },
                    errors::kOverflow, R"(tax "K1": currency overflow in 922337203685477.5807 * 6)"},
        HostileCase{"the lowest currency amount, taxed",
                    [] { return Transaction(Detail(R"(ExtendedPrice="-922337203685477.5808")")); },
                    errors::kOverflow, R"(tax "K1": currency overflow in 0 - -922337203685477.5808)"},
        HostileCase{"amounts whose sum leaves the range",
                    [] { return Transaction(Repeated(Detail(R"(ExtendedPrice="500000000000000")"), 2)); },
                    errors::kOverflow,
                    R"(tax "K1": currency overflow in 500000000000000 + 500000000000000)"},
        HostileCase{"the highest amount whose tax stays in range",
                    [] { return Transaction(Detail(R"(ExtendedPrice="153722867280912.9301")")); }, 0, "",
                    [](const std::string& text) {
                      const Result result = ReadResult(text);
                      ASSERT_EQ(result.rows.size(), 1u);
                      EXPECT_EQ(result.rows[0].netPrice, "153722867280912.9301");
                      EXPECT_EQ(result.rows[0].tax.substr(0, 15), "9223372036854.7");
                    }}),
    testing::CaseName());

// ---- Islands ----

// A hostile set of islands and what loading it must give: exactly this error, with the thread's
// tables left as they were, or tables `check` accepts.
struct HostileLoad {
  const char* name;
  std::function<IslandTexts()> islands;
  int error = 0;
  std::string description;
  std::function<void(const ReferenceTables& tables)> check = nullptr;
};

void PrintTo(const HostileLoad& hostile, std::ostream* out) { *out << hostile.name; }

class HostileIslands : public OnSmallIslands<HostileLoad> {};

TEST_P(HostileIslands, LoadAllOrFailWithOneClearError) {
  const HostileLoad& hostile = GetParam();
  const auto before = ModTax::ThreadTables();
  const CQuorvel control(MakeMemoryHost(hostile.islands()));
  const auto caught = testing::ErrorOf([&] { control.LoadTables(); });
  if (hostile.error != 0) {
    ASSERT_TRUE(caught) << "the load did not fail";
    EXPECT_EQ(caught->number, hostile.error);
    EXPECT_EQ(caught->description, hostile.description);
    EXPECT_EQ(ModTax::ThreadTables(), before) << "a failed load changed the tables";
    return;
  }
  ASSERT_FALSE(caught) << "error " << caught->number << ": " << caught->description;
  ASSERT_NE(ModTax::ThreadTables(), before);
  hostile.check(*ModTax::ThreadTables());
}

// The small islands with one island replaced.
std::function<IslandTexts()> With(const char* island, std::function<std::string()> text) {
  return [island, text] {
    IslandTexts islands = SmallIslands();
    islands[island] = text();
    return islands;
  };
}

std::vector<std::string> Rows(const std::string& row, int times) { return std::vector<std::string>(times, row); }

const std::string kTaxColumns = R"(Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="6" crTaxType="%")";

std::vector<std::string> ModelTaxes(const ReferenceTables& tables, const char* model) {
  std::vector<std::string> keys;
  const auto found = tables.TaxModels->Item(model);
  EXPECT_NE(found, nullptr) << model;
  if (found) {
    for (const auto& item : *found->OTaxModelItems()) keys.push_back(item->KeyTaxID);
  }
  return keys;
}

INSTANTIATE_TEST_SUITE_P(
    Structure, HostileIslands,
    ::testing::Values(
        HostileLoad{"rows among 100000 nested elements",
                    With("taxData",
                         [] {
                           return std::string(kRowsetOpen) + R"(<z:row iKey="1" Description="D" )" + kTaxColumns +
                                  "/>" + Repeated("<a>", 100000) + R"(<z:row iKey="2"/>)" +
                                  Repeated("</a>", 100000) + kRowsetClose;
                         }),
                    0, "",
                    // Only the rows directly under rs:data are island rows.
                    [](const ReferenceTables& tables) { EXPECT_EQ(tables.Taxes->Count(), 1); }},
        HostileLoad{"100000 elements never closed",
                    With("TaxGroupData", [] { return Repeated("<a>", 100000); }), errors::kIslandMissing,
                    "island \"TaxGroupData\" is not well-formed XML (Start-end tags mismatch at line 1, column 300000)"},
        HostileLoad{"a NUL byte", With("TaxStatusData", [] { return "<xml>\n<rs:data>\n\0</rs:data></xml>"s; }),
                    errors::kIslandMissing,
                    "island \"TaxStatusData\" is not well-formed XML (the control character U+0000 is not allowed at line 3, column 1)"},
        HostileLoad{"a 50 MB description",
                    With("taxData",
                         [] {
                           return Rowset({R"(iKey="1" Description=")" + std::string(50'000'000, 'd') + "\" " +
                                          kTaxColumns});
                         }),
                    0, "",
                    [](const ReferenceTables& tables) {
                      EXPECT_EQ(tables.Taxes->Item("K1")->Description.size(), 50'000'000u);
                    }},
        HostileLoad{"internal entities",
                    With("taxData",
                         [] {
                           return LaughsDoctype() +
                                  Rowset({R"(iKey="1" Description="&lol9;" )" + kTaxColumns});
                         }),
                    errors::kIslandMissing,
                    "island \"taxData\" is not well-formed XML (a DTD is not accepted at line 1, column 1)"},
        HostileLoad{"an external entity",
                    With("taxData",
                         [] {
                           return R"(<!DOCTYPE xml [<!ENTITY ext SYSTEM ")" + DiskText() + R"(">]>)" +
                                  Rowset({R"(iKey="1" Description="&ext;" )" + kTaxColumns});
                         }),
                    errors::kIslandMissing,
                    "island \"taxData\" is not well-formed XML (a DTD is not accepted at line 1, column 1)"},
        HostileLoad{"invalid UTF-8",
                    With("taxData", [] { return Rowset({"iKey=\"1\" Description=\"\xc3\x28\xa0\" " + kTaxColumns}); }),
                    errors::kIslandMissing,
                    "island \"taxData\" is not well-formed XML (malformed UTF-8 at line 3, column 31)"}),
    testing::CaseName());

INSTANTIATE_TEST_SUITE_P(
    Numbers, HostileIslands,
    ::testing::Values(
        HostileLoad{"400 digits",
                    With("taxData",
                         [] {
                           return Rowset({R"(iKey="1" Description="D" Sequence="1" ThreshHold="0" Cutoff=")" +
                                          k400Nines + R"(" TaxRate="6" crTaxType="%")"});
                         }),
                    errors::kOverflow,
                    "taxData row 1: attribute \"Cutoff\": overflow: \"" + kShownNines +
                        "\" is outside the range of currency"},
        HostileLoad{"an exponent",
                    With("taxData", [] { return Rowset({R"(iKey="1" Description="D" Sequence="1e400" ThreshHold="0" Cutoff="0" TaxRate="6" crTaxType="%")"}); }),
                    errors::kTypeMismatch,
                    R"(taxData row 1: attribute "Sequence": type mismatch: "1e400" is not a number)"},
        HostileLoad{"NaN",
                    With("taxData", [] { return Rowset({R"(iKey="1" Description="D" Sequence="1" ThreshHold="NaN" Cutoff="0" TaxRate="6" crTaxType="%")"}); }),
                    errors::kTypeMismatch,
                    R"(taxData row 1: attribute "ThreshHold": type mismatch: "NaN" is not a number)"},
        HostileLoad{"Infinity",
                    With("TaxModelData", [] { return Rowset({R"(TaxModelItemID="1" TaxID="Infinity")"}); }),
                    errors::kTypeMismatch,
                    R"(TaxModelHdrData row 1: TaxModelData row 1: attribute "TaxID": type mismatch: "Infinity" is not a number)"},
        HostileLoad{"hexadecimal",
                    With("TaxGroupItemData", [] { return Rowset({R"(TaxGroupID="1" TaxID="1" IsTaxable="0x10")"}); }),
                    errors::kTypeMismatch,
                    "TaxGroupData row 1: TaxGroupItemData row 1: attribute \"IsTaxable\": type mismatch: "
                    "\"0x10\" is neither True, False nor a number"},
        HostileLoad{"the edges of every range",
                    With("taxData",
                         [] {
                           return Rowset({R"(iKey="2147483647" TaxGroupID="-2147483648" Description="D" )"
                                          R"(Sequence="-32768" ThreshHold="-922337203685477.5808" )"
                                          R"(Cutoff="922337203685477.5807" TaxRate="0.00005" crTaxType="%")"});
                         }),
                    0, "",
                    [](const ReferenceTables& tables) {
                      const auto tax = tables.Taxes->Item("K2147483647");
                      ASSERT_NE(tax, nullptr);
                      EXPECT_EQ(tax->TaxGroupID, "K-2147483648");
                      EXPECT_EQ(tax->Sequence, -32768);
                      EXPECT_EQ(tax->ThreshHold.Units(), INT64_MIN);
                      EXPECT_EQ(tax->CutOff.Units(), INT64_MAX);
                      EXPECT_EQ(tax->TaxRate.Units(), 0);  // half a unit rounds to the even 0
                    }},
        HostileLoad{"one past the 16-bit range",
                    With("taxData", [] { return Rowset({R"(iKey="1" Description="D" Sequence="-32769" ThreshHold="0" Cutoff="0" TaxRate="6" crTaxType="%")"}); }),
                    errors::kOverflow,
                    R"(taxData row 1: attribute "Sequence": overflow: "-32769" is outside the range of a 16-bit integer)"},
        HostileLoad{"one past the 32-bit range",
                    With("taxData", [] { return Rowset({R"(iKey="1" GLAccountID="2147483648" Description="D" )" + kTaxColumns}); }),
                    errors::kOverflow,
                    R"(taxData row 1: attribute "GLAccountID": overflow: "2147483648" is outside the range of a 32-bit integer)"},
        HostileLoad{"one past the currency range",
                    With("taxData", [] { return Rowset({R"(iKey="1" Description="D" Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="-922337203685477.58086" crTaxType="%")"}); }),
                    errors::kOverflow,
                    R"(taxData row 1: attribute "TaxRate": overflow: "-922337203685477.58086" is outside the range of currency)"}),
    testing::CaseName());

// Identifiers written to look like query syntax are plain texts: they select nothing else.
INSTANTIATE_TEST_SUITE_P(
    Injection, HostileIslands,
    ::testing::Values(
        HostileLoad{"model keys with brackets and or",
                    [] {
                      IslandTexts islands = SmallIslands();
                      islands["TaxModelHdrData"] =
                          Rowset({R"(iKey="1")", R"(iKey="1]")", R"(iKey="1 or 1=1")",
                                  R"(iKey="1] | //z:row[@TaxModelItemID")", R"(iKey="']")"});
                      islands["TaxModelData"] =
                          Rowset({R"(TaxModelItemID="1" TaxID="1")", R"(TaxModelItemID="1]" TaxID="2")",
                                  R"(TaxModelItemID="1 or 1=1" TaxID="3")", R"(TaxModelItemID="']" TaxID="4")"});
                      return islands;
                    },
                    0, "",
                    [](const ReferenceTables& tables) {
                      EXPECT_EQ(ModelTaxes(tables, "K1"), std::vector<std::string>{"K1"});
                      EXPECT_EQ(ModelTaxes(tables, "K1]"), std::vector<std::string>{"K2"});
                      EXPECT_EQ(ModelTaxes(tables, "K1 or 1=1"), std::vector<std::string>{"K3"});
                      EXPECT_TRUE(ModelTaxes(tables, "K1] | //z:row[@TaxModelItemID").empty());
                      EXPECT_EQ(ModelTaxes(tables, "K']"), std::vector<std::string>{"K4"});
                    }},
        HostileLoad{"group keys with brackets",
                    [] {
                      IslandTexts islands = SmallIslands();
                      islands["TaxGroupData"] = Rowset({R"(iKey="1]")", R"(iKey="1")"});
                      islands["TaxGroupItemData"] = Rowset(
                          {R"(TaxGroupID="1]" TaxID="1" IsTaxable="0")", R"(TaxGroupID="1" TaxID="1" IsTaxable="1")"});
                      return islands;
                    },
                    0, "",
                    [](const ReferenceTables& tables) {
                      EXPECT_FALSE(tables.TaxGroups->Item("G1]")->OTaxGroupItems()->Item("K1")->IsTaxable);
                      EXPECT_EQ(tables.TaxGroups->Item("G1]")->OTaxGroupItems()->Count(), 1);
                      EXPECT_TRUE(tables.TaxGroups->Item("G1")->OTaxGroupItems()->Item("K1")->IsTaxable);
                    }},
        HostileLoad{"a customer key with or",
                    With("TaxStatusData", [] { return Rowset({R"(CustomerID="1 or 1=1" crExemptType="Tax" TaxID="1")"}); }),
                    0, "",
                    [](const ReferenceTables& tables) {
                      EXPECT_NE(tables.TaxStatuses->Item("K1 or 1=1K1"), nullptr);
                      // Customer 1 is not exempt: its tax line is taxed.
                      const std::string result = CalculateTaxes(tables, Transaction(Detail(R"(ExtendedPrice="10")")));
                      EXPECT_EQ(ReadResult(result).rows.size(), 1u);
                    }},
        HostileLoad{"a tax key with a bracket",
                    With("taxData", [] { return Rowset({R"(iKey="1]" Description="D" )" + kTaxColumns}); }),
                    errors::kTypeMismatch,
                    R"(taxData row 1: attribute "iKey": type mismatch: "1]" is not a number)"}),
    testing::CaseName());

INSTANTIATE_TEST_SUITE_P(
    AThousandRowsWithOneKey, HostileIslands,
    ::testing::Values(
        HostileLoad{"taxes", With("taxData", [] { return Rowset(Rows(R"(iKey="1" Description="D" )" + kTaxColumns, 1000)); }),
                    errors::kDuplicateKey, R"(taxData row 2: duplicate key: "K1" is already in the collection)"},
        HostileLoad{"tax models", With("TaxModelHdrData", [] { return Rowset(Rows(R"(iKey="1")", 1000)); }),
                    errors::kDuplicateKey,
                    R"(TaxModelHdrData row 2: duplicate key: "K1" is already in the collection)"},
        HostileLoad{"taxes of a model",
                    With("TaxModelData", [] { return Rowset(Rows(R"(TaxModelItemID="1" TaxID="1")", 1000)); }),
                    errors::kDuplicateKey,
                    R"(TaxModelHdrData row 1: TaxModelData row 2: duplicate key: "K1" is already in the collection)"},
        HostileLoad{"tax groups", With("TaxGroupData", [] { return Rowset(Rows(R"(iKey="1")", 1000)); }),
                    errors::kDuplicateKey, R"(TaxGroupData row 2: duplicate key: "G1" is already in the collection)"},
        HostileLoad{"taxes of a group",
                    With("TaxGroupItemData", [] { return Rowset(Rows(R"(TaxGroupID="1" TaxID="1" IsTaxable="1")", 1000)); }),
                    errors::kDuplicateKey,
                    R"(TaxGroupData row 1: TaxGroupItemData row 2: duplicate key: "K1" is already in the collection)"},
        HostileLoad{"tax statuses",
                    With("TaxStatusData", [] { return Rowset(Rows(R"(CustomerID="7" crExemptType="Tax" TaxID="1")", 1000)); }),
                    errors::kDuplicateKey,
                    R"(TaxStatusData row 2: duplicate key: "K7K1" is already in the collection)"},
        HostileLoad{"tax models differing in letter case only",
                    With("TaxModelHdrData", [] { return Rowset({R"(iKey="a")", R"(iKey="A")"}); }),
                    errors::kDuplicateKey,
                    R"(TaxModelHdrData row 2: duplicate key: "KA" is already in the collection)"}),
    testing::CaseName());

// ---- Markup in text values ----

// `text` as an XML attribute value writes it.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A value holding markup, placed in a tax's description and in an item's key, comes back
// escaped: the result stays one row that reads back to the value.
TEST(HostileTexts, MarkupInValuesIsEscapedInTheResult) {
  for (const std::string value : {"\"", "<", "&", ">", "'", "\"quoted\" <b> & co", "&amp;", "\"/><z:row a=\""}) {
    IslandTexts islands = SmallIslands();
    islands["taxData"] = Rowset({"iKey=\"1\" Description=\"" + Escaped(value) + "\" " + kTaxColumns});
    const auto tables = LoadReferenceTables(*MakeMemoryHost(islands));
    const std::string text = CalculateTaxes(
        *tables, Transaction(Detail(R"(ExtendedPrice="200" LocInvItemID=")" + Escaped(value) + "\"")));
    const Result result = ReadResult(text);
    ASSERT_EQ(result.rows.size(), 1u) << value;
    EXPECT_EQ(result.rows[0].description, value);
    EXPECT_EQ(result.rows[0].tax, "12");
    EXPECT_EQ(result.taxItems, "/" + value + "/");
    EXPECT_NE(text.find("InvShortDesc = \"" + Escaped(value) + "\""), std::string::npos) << text;
    EXPECT_NE(text.find("TaxItems=\"/" + Escaped(value) + "/\""), std::string::npos) << text;
  }
}

// ---- Example islands where every row lacks one column ----

std::string ExampleIsland(const std::string& island) {
  std::ifstream file(testing::ExamplesDir() + "/tables/" + island + ".xml", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// `text` without any attribute written ` column="..."`.
std::string WithoutColumn(std::string text, const std::string& column) {
  const std::string opening = " " + column + "=\"";
  for (std::size_t at = text.find(opening); at != std::string::npos; at = text.find(opening, at)) {
    text.erase(at, text.find('"', at + opening.size()) + 1 - at);
  }
  return text;
}

struct MissingColumn {
  const char* island;
  const char* column;
  const char* description;  // nullptr: the load succeeds
};

TEST(HostileExampleIslands, EveryRowLackingAColumnFailsAtTheFirstRowThatNeedsIt) {
  const MissingColumn cases[] = {
      {"taxData", "iKey", R"(taxData row 1: attribute "iKey" is missing)"},
      {"taxData", "Description", R"(taxData row 1: attribute "Description" is missing)"},
      {"taxData", "Sequence", R"(taxData row 1: attribute "Sequence" is missing)"},
      {"taxData", "ThreshHold", R"(taxData row 1: attribute "ThreshHold" is missing)"},
      {"taxData", "Cutoff", R"(taxData row 1: attribute "Cutoff" is missing)"},
      {"taxData", "TaxRate", R"(taxData row 1: attribute "TaxRate" is missing)"},
      {"taxData", "crTaxType", R"(taxData row 1: attribute "crTaxType" is missing)"},
      {"TaxModelHdrData", "iKey", R"(TaxModelHdrData row 1: attribute "iKey" is missing)"},
      {"TaxModelData", "TaxID", R"(TaxModelHdrData row 1: TaxModelData row 1: attribute "TaxID" is missing)"},
      {"TaxGroupData", "iKey", R"(TaxGroupData row 1: attribute "iKey" is missing)"},
      {"TaxGroupItemData", "TaxID", R"(TaxGroupData row 1: TaxGroupItemData row 1: attribute "TaxID" is missing)"},
      {"TaxGroupItemData", "IsTaxable",
       R"(TaxGroupData row 1: TaxGroupItemData row 1: attribute "IsTaxable" is missing)"},
      {"TaxStatusData", "CustomerID", R"(TaxStatusData row 1: attribute "CustomerID" is missing)"},
      {"TaxStatusData", "crExemptType", R"(TaxStatusData row 1: attribute "crExemptType" is missing)"},
      {"TaxStatusData", "TaxID", R"(TaxStatusData row 1: attribute "TaxID" is missing)"},
      {"TaxStatusData", "TaxGroupID", R"(TaxStatusData row 2: attribute "TaxGroupID" is missing)"},
      {"TaxStatusData", "InvItemID", R"(TaxStatusData row 3: attribute "InvItemID" is missing)"},
      // Optional and selection columns: the load succeeds.
      {"taxData", "TaxGroupID", nullptr},
      {"taxData", "GLAccountID", nullptr},
      {"taxData", "IsItemLevel", nullptr},
      {"TaxModelData", "TaxModelItemID", nullptr},
      {"TaxGroupItemData", "TaxGroupID", nullptr},
      {"TaxStatusData", "TaxExemptNumber", nullptr},
  };
  const std::string islandIds[] = {"taxData", "TaxModelHdrData", "TaxModelData", "TaxGroupData",
                                   "TaxGroupItemData", "TaxStatusData"};
  for (const MissingColumn& c : cases) {
    IslandTexts islands;
    for (const std::string& id : islandIds) islands[id] = ExampleIsland(id);
    const std::string stripped = WithoutColumn(islands[c.island], c.column);
    ASSERT_NE(stripped, islands[c.island]) << c.island << " has no column " << c.column;
    islands[c.island] = stripped;
    CQuorvel(MakeMemoryHost(SmallIslands())).LoadTables();
    const auto before = ModTax::ThreadTables();
    const auto caught = testing::ErrorOf([&] { CQuorvel(MakeMemoryHost(islands)).LoadTables(); });
    if (c.description == nullptr) {
      EXPECT_FALSE(caught) << c.island << " without " << c.column << ": " << caught->description;
      continue;
    }
    ASSERT_TRUE(caught) << c.island << " without " << c.column;
    EXPECT_EQ(caught->number, errors::kObjectNotSet) << c.island << " without " << c.column;
    EXPECT_EQ(caught->description, c.description);
    EXPECT_EQ(ModTax::ThreadTables(), before) << c.island << " without " << c.column;
  }
  ModTax::InstallThreadTables(nullptr);
}

}  // namespace
}  // namespace quorvel

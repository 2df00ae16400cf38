// Hostile and faulty input: documents built to break, exhaust or mislead the engine, and islands
// that cannot be loaded. Every case is answered by a result or by exactly one clear error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

using namespace std::string_literals;
using testing::IslandTexts;
using testing::Rowset;
using testing::SmallIslands;

// ---- Building documents ----

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
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

const std::string k400Nines(400, '9');
const std::string kShownNines = std::string(60, '9') + "...";  // messages cut long values short
const std::string kTaxColumns = R"(Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="6" crTaxType="%")";

// A tax row with the given key and description and `columns` for the rest.
std::string TaxRow(const std::string& key, const std::string& columns = kTaxColumns) {
  return R"(iKey=")" + key + R"(" Description="D" )" + columns;
}

// ---- Reading answers ----

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
  EXPECT_TRUE(parsed) << "the result is not XML: " << parsed.description() << ": " << text.substr(0, 200);
  const pugi::xml_node data = document.child("xml").child("rs:data");
  Result result{data.attribute("TaxItems").value(), {}};
  for (pugi::xml_node row : data.children("z:row")) {
    result.rows.push_back({row.attribute("InvShortDesc").value(), row.attribute("NetPrice").value(),
                           row.attribute("ExtendedPrice").value()});
  }
  return result;
}

// The answer to a transaction: the result, or "error N: description".
std::string Answer(const ReferenceTables& tables, const std::string& text) {
  try {
    return CalculateTaxes(tables, text);
  } catch (const Error& error) {
    return error.what();
  }
}

// An error as Answer and Load give it.
std::string ErrorText(int number, const std::string& description) { return Error(number, description).what(); }

using AnswerCheck = std::function<void(const std::string& answer)>;

AnswerCheck Fails(int number, const std::string& description) {
  return [expected = ErrorText(number, description)](const std::string& answer) { EXPECT_EQ(answer, expected); };
}

const AnswerCheck kNoHeader = [](const std::string& answer) { EXPECT_EQ(answer, "NOHEADER"); };

// The tax K1 (6%) on the given taxable amount, as the only result row.
AnswerCheck OneTaxRow(const std::string& netPrice, const std::string& tax) {
  return [netPrice, tax](const std::string& answer) {
    const Result result = ReadResult(answer);
    ASSERT_EQ(result.rows.size(), 1u) << answer.substr(0, 200);
    EXPECT_EQ(result.rows[0].netPrice, netPrice);
    EXPECT_EQ(result.rows[0].tax, tax);
  };
}

// ---- Transactions ----

// A hostile transaction (built when the case runs: some are large) and what it must give.
struct HostileCase {
  const char* name;
  std::function<std::string()> input;
  AnswerCheck check;
};

void PrintTo(const HostileCase& hostile, std::ostream* out) { *out << hostile.name; }

class HostileTransactions : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileTransactions, AnswerWithAResultOrOneClearError) {
  static const auto tables = LoadReferenceTables(*MakeMemoryHost(SmallIslands()));
  GetParam().check(Answer(*tables, GetParam().input()));
}

// The rows of the 50 MB transaction: each taxable for 0.01, and one more for their count (a
// multiple of 100, so that the taxable amount is whole).
const std::string kSmallRow = Detail(R"(ExtendedPrice="0.01" LocInvItemID="x")");
const int kSmallRows = static_cast<int>(50'000'000 / kSmallRow.size() / 100 * 100);

INSTANTIATE_TEST_SUITE_P(
    Size, HostileTransactions,
    ::testing::Values(
        HostileCase{"100000 elements nested around a detail row",
                    [] {
                      return Transaction(Repeated("<a>", 100000) + Detail(R"(ExtendedPrice="10")") +
                                         Repeated("</a>", 100000));
                    },
                    OneTaxRow("10", "0.6")},
        HostileCase{"100000 detail rows each nested in the one before",
                    [] {
                      return Transaction(Repeated(R"(<z:row detail="1" IsSubItem="False" TaxGroupID="1" )"
                                                  R"(IsTaxable="True" ExtendedPrice="0.01">)", 100000) +
                                         Repeated("</z:row>", 100000));
                    },
                    OneTaxRow("1000", "60")},
        HostileCase{"100000 elements never closed", [] { return Transaction(Repeated("<a>", 100000)); }, kNoHeader},
        HostileCase{"50 MB of detail rows",
                    [] {
                      return Transaction(Repeated(kSmallRow, kSmallRows) +
                                         Detail(R"(ExtendedPrice=")" + std::to_string(kSmallRows) + "\""));
                    },
                    [](const std::string& answer) {
                      const Result result = ReadResult(answer);
                      ASSERT_EQ(result.rows.size(), 1u);
                      EXPECT_EQ(result.rows[0].netPrice, std::to_string(kSmallRows / 100 * 101));
                      EXPECT_EQ(std::count(result.taxItems.begin(), result.taxItems.end(), 'x'), kSmallRows);
                    }},
        HostileCase{"a 50 MB attribute value",
                    [] {
                      return Transaction(Detail(R"(ExtendedPrice="1" LocInvItemID=")" + std::string(50'000'000, 'x') +
                                                "\""));
                    },
                    [](const std::string& answer) {
                      EXPECT_EQ(ReadResult(answer).taxItems, "/" + std::string(50'000'000, 'x') + "/");
                    }},
        HostileCase{"50 MB of blanks", [] { return std::string(50'000'000, ' '); }, kNoHeader},
        HostileCase{"a thousand detail rows of one item",
                    [] { return Transaction(Repeated(Detail(R"(ExtendedPrice="2.5" LocInvItemID="77")"), 1000)); },
                    [](const std::string& answer) {
                      EXPECT_EQ(ReadResult(answer).taxItems, "/" + Repeated("77/", 1000));
                      OneTaxRow("2500", "150")(answer);
                    }}),
    testing::CaseName());

// Files that an entity or DTD reference names; their text must never reach a result.
std::string WrittenFile(const char* name, const std::string& text) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

std::string DiskText() { return WrittenFile("quorvel-hostile-entity.txt", "READ-FROM-DISK"); }
std::string DiskDtd() { return WrittenFile("quorvel-hostile.dtd", "<!ENTITY ext \"READ-FROM-DISK\">"); }

// Ten levels of entities, each ten of the one below: a billion "lol"s if expanded.
std::string LaughsDoctype() {
  std::string doctype = R"(<!DOCTYPE xml [<!ENTITY lol0 "lol">)";
  for (int level = 1; level <= 9; ++level) {
    const std::string below = "&lol" + std::to_string(level - 1) + ";";
    doctype += "<!ENTITY lol" + std::to_string(level) + " \"" + Repeated(below, 10) + "\">";
  }
  return doctype + "]>";
}

const std::string kEntityDetail = Detail(R"(ExtendedPrice="1" LocInvItemID="&ext;")");

INSTANTIATE_TEST_SUITE_P(
    Entities, HostileTransactions,
    ::testing::Values(
        HostileCase{"internal entities in a number",
                    [] { return LaughsDoctype() + Transaction("", R"(<z:row head="1" CustomerID="1" TaxModel="&lol9;"/>)"); }, kNoHeader},
        HostileCase{"internal entities in a text",
                    [] { return LaughsDoctype() + Transaction(Detail(R"(ExtendedPrice="1" LocInvItemID="&lol9;")")); },
                    kNoHeader},
        HostileCase{"an external entity",
                    [] {
                      return R"(<!DOCTYPE xml [<!ENTITY ext SYSTEM ")" + DiskText() + R"(">]>)" +
                             Transaction(kEntityDetail);
                    },
                    kNoHeader},
        HostileCase{"an external DTD",
                    [] { return R"(<!DOCTYPE xml SYSTEM ")" + DiskDtd() + R"(">)" + Transaction(kEntityDetail); },
                    kNoHeader},
        HostileCase{"an external parameter entity",
                    [] {
                      return R"(<!DOCTYPE xml [<!ENTITY % dtd SYSTEM ")" + DiskDtd() + R"("> %dtd;]>)" +
                             Transaction(kEntityDetail);
                    },
                    kNoHeader}),
    testing::CaseName());

INSTANTIATE_TEST_SUITE_P(
    Encoding, HostileTransactions,
    ::testing::Values(
        HostileCase{"a NUL byte in a value",
                    [] { return Transaction(Detail("ExtendedPrice=\"1\" LocInvItemID=\"a\0b\""s)); }, kNoHeader},
        HostileCase{"a NUL byte before the document", [] { return "\0"s + Transaction(""); }, kNoHeader}),
    testing::CaseName());

// Texts that are no numbers are the conversions' tests; here, the edges of the ranges.
INSTANTIATE_TEST_SUITE_P(
    Numbers, HostileTransactions,
    ::testing::Values(
        HostileCase{"400 digits", [] { return Transaction(Detail("ExtendedPrice=\"" + k400Nines + "\"")); },
                    Fails(errors::kOverflow, "detail row at z:row 2: attribute \"ExtendedPrice\": overflow: \"" +
                                                 kShownNines + "\" is outside the range of currency")},
        HostileCase{"the lowest customer",
                    [] {
                      return Transaction(Detail(R"(ExtendedPrice="10")"),
                                         R"(<z:row head="1" CustomerID="-2147483648" TaxModel="1"/>)");
                    },
                    OneTaxRow("10", "0.6")},
        HostileCase{"the highest currency amount, taxed",
                    [] { return Transaction(Detail(R"(ExtendedPrice="922337203685477.5807")")); },
                    Fails(errors::kOverflow, R"(tax "K1": currency overflow in 922337203685477.5807 * 6)")},
        HostileCase{"the lowest currency amount, taxed",
                    [] { return Transaction(Detail(R"(ExtendedPrice="-922337203685477.5808")")); },
                    Fails(errors::kOverflow, R"(tax "K1": currency overflow in 0 - -922337203685477.5808)")},
        HostileCase{"the highest amount whose tax stays in range",
                    [] { return Transaction(Detail(R"(ExtendedPrice="153722867280912.9301")")); },
                    [](const std::string& answer) {
                      const Result result = ReadResult(answer);
                      ASSERT_EQ(result.rows.size(), 1u);
                      EXPECT_EQ(result.rows[0].netPrice, "153722867280912.9301");
                      EXPECT_EQ(result.rows[0].tax.substr(0, 15), "9223372036854.7");
                    }}),
    testing::CaseName());

// ---- Islands ----

// What loading a set of islands gave: the tables, or "error N: description".
struct Loaded {
  std::shared_ptr<const ReferenceTables> tables;
  std::string error;
};

Loaded Load(const IslandTexts& islands) {
  try {
    return {LoadReferenceTables(*MakeMemoryHost(islands)), ""};
  } catch (const Error& error) {
    return {nullptr, error.what()};
  }
}

using LoadCheck = std::function<void(const Loaded& loaded)>;

LoadCheck LoadFails(int number, const std::string& description) {
  return [expected = ErrorText(number, description)](const Loaded& loaded) { EXPECT_EQ(loaded.error, expected); };
}

LoadCheck NotWellFormed(const std::string& island, const std::string& why) {
  return LoadFails(errors::kIslandMissing, "island \"" + island + "\" is not well-formed XML (" + why + ")");
}

// A load that succeeds, giving tables that `check` accepts.
LoadCheck Loads(std::function<void(const ReferenceTables& tables, const TablesView& view)> check) {
  return [check](const Loaded& loaded) {
    ASSERT_EQ(loaded.error, "");
    check(*loaded.tables, ViewTables(*loaded.tables));
  };
}

// A hostile or faulty set of islands (made when the case runs) and what loading it must give.
struct HostileLoad {
  const char* name;
  std::function<IslandTexts()> islands;
  LoadCheck check;
};

void PrintTo(const HostileLoad& hostile, std::ostream* out) { *out << hostile.name; }

class HostileIslands : public ::testing::TestWithParam<HostileLoad> {};

TEST_P(HostileIslands, LoadAllOrFailWithOneClearError) { GetParam().check(Load(GetParam().islands())); }

// The small islands with one island's text replaced.
std::function<IslandTexts()> With(const char* island, std::function<std::string()> text) {
  return [island, text] {
    IslandTexts islands = SmallIslands();
    islands[island] = text();
    return islands;
  };
}

std::function<IslandTexts()> With(const char* island, const std::string& text) {
  return With(island, [text] { return text; });
}

// The small islands with two islands' texts replaced.
std::function<IslandTexts()> With(const char* first, const std::string& firstText, const char* second,
                                  const std::string& secondText) {
  return [=] {
    IslandTexts islands = SmallIslands();
    islands[first] = firstText;
    islands[second] = secondText;
    return islands;
  };
}

std::vector<std::string> Rows(const std::string& row, int times) { return std::vector<std::string>(times, row); }

// The tax keys of a model.
std::vector<std::string> ModelTaxes(const TablesView& view, const std::string& model) {
  for (const TablesView::TaxModel& found : view.taxModels) {
    if (found.key == model) return found.taxes;
  }
  ADD_FAILURE() << "no tax model " << model;
  return {};
}

INSTANTIATE_TEST_SUITE_P(
    Structure, HostileIslands,
    ::testing::Values(
        HostileLoad{"an island that is not there",
                    [] {
                      IslandTexts islands = SmallIslands();
                      islands.erase("TaxStatusData");
                      return islands;
                    },
                    LoadFails(errors::kIslandMissing, "island \"TaxStatusData\": the host page has none")},
        HostileLoad{"an island whose rows are not closed", With("TaxModelData", "<xml><rs:data>"),
                    NotWellFormed("TaxModelData", "Start-end tags mismatch at line 1, column 14")},
        HostileLoad{"rows among 100000 nested elements",
                    With("taxData",
                         [] {
                           return kRowsetOpen + R"(<z:row )"s + TaxRow("1") + "/>" + Repeated("<a>", 100000) +
                                  R"(<z:row iKey="2"/>)" + Repeated("</a>", 100000) + kRowsetClose;
                         }),
                    // Only the rows directly under rs:data are island rows.
                    Loads([](const ReferenceTables&, const TablesView& view) { EXPECT_EQ(view.taxes.size(), 1u); })},
        HostileLoad{"100000 elements never closed", With("TaxGroupData", [] { return Repeated("<a>", 100000); }),
                    NotWellFormed("TaxGroupData", "Start-end tags mismatch at line 1, column 300000")},
        HostileLoad{"a NUL byte", With("TaxStatusData", "<xml>\n<rs:data>\n\0</rs:data></xml>"s),
                    NotWellFormed("TaxStatusData", "the control character U+0000 is not allowed at line 3, column 1")},
        HostileLoad{"a 50 MB description",
                    With("taxData",
                         [] { return Rowset({R"(iKey="1" Description=")" + std::string(50'000'000, 'd') + "\" " + kTaxColumns}); }),
                    Loads([](const ReferenceTables&, const TablesView& view) {
                      EXPECT_EQ(view.taxes.at(0).description.size(), 50'000'000u);
                    })},
        HostileLoad{"an external entity",
                    With("taxData",
                         [] {
                           return R"(<!DOCTYPE xml [<!ENTITY ext SYSTEM ")" + DiskText() + R"(">]>)" +
                                  Rowset({R"(iKey="1" Description="&ext;" )" + kTaxColumns});
                         }),
                    NotWellFormed("taxData", "a DTD is not accepted at line 1, column 1")}),
    testing::CaseName());

// A tax row whose `column` is refused with the given message.
HostileLoad BadTaxColumn(const char* name, const std::string& row, int number, const std::string& message) {
  return {name, With("taxData", Rowset({row})), LoadFails(number, "taxData row 1: attribute " + message)};
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, HostileIslands,
    ::testing::Values(
        BadTaxColumn("400 digits",
                     TaxRow("1", R"(Sequence="1" ThreshHold="0" Cutoff=")" + k400Nines + R"(" TaxRate="6" crTaxType="%")"),
                     errors::kOverflow, "\"Cutoff\": overflow: \"" + kShownNines + "\" is outside the range of currency"),
        BadTaxColumn("an empty optional column", TaxRow("1") + R"( TaxGroupID="")", errors::kTypeMismatch,
                     R"("TaxGroupID": type mismatch: "" is not a number)"),
        BadTaxColumn("one past the 16-bit range",
                     TaxRow("1", R"(Sequence="-32769" ThreshHold="0" Cutoff="0" TaxRate="6" crTaxType="%")"),
                     errors::kOverflow, R"("Sequence": overflow: "-32769" is outside the range of a 16-bit integer)"),
        BadTaxColumn("one past the 32-bit range", TaxRow("1") + R"( GLAccountID="2147483648")", errors::kOverflow,
                     R"("GLAccountID": overflow: "2147483648" is outside the range of a 32-bit integer)"),
        BadTaxColumn("one past the currency range",
                     TaxRow("1", R"(Sequence="1" ThreshHold="0" Cutoff="0" TaxRate="-922337203685477.58086" crTaxType="%")"),
                     errors::kOverflow, R"("TaxRate": overflow: "-922337203685477.58086" is outside the range of currency)"),
        HostileLoad{"Infinity", With("TaxModelData", Rowset({R"(TaxModelItemID="1" TaxID="Infinity")"})),
                    LoadFails(errors::kTypeMismatch, R"(TaxModelHdrData row 1: TaxModelData row 1: attribute "TaxID": )"
                                                     R"(type mismatch: "Infinity" is not a number)")},
        HostileLoad{"a taxable flag that is no Boolean",
                    With("TaxGroupItemData", Rowset({R"(TaxGroupID="1" TaxID="1" IsTaxable="T")"})),
                    LoadFails(errors::kTypeMismatch, "TaxGroupData row 1: TaxGroupItemData row 1: attribute \"IsTaxable\": type "
                                                     "mismatch: \"T\" is neither True, False nor a number")},
        HostileLoad{"the edges of every range",
                    With("taxData", Rowset({R"(iKey="2147483647" TaxGroupID="-2147483648" Description="D" )"
                                            R"(Sequence="-32768" ThreshHold="-922337203685477.5808" )"
                                            R"(Cutoff="922337203685477.5807" TaxRate="0.00005" crTaxType="%")"})),
                    Loads([](const ReferenceTables&, const TablesView& view) {
                      const TablesView::Tax& tax = view.taxes.at(0);
                      EXPECT_EQ(tax.key, "K2147483647");
                      EXPECT_EQ(tax.taxGroup, "K-2147483648");
                      EXPECT_EQ(tax.sequence, -32768);
                      EXPECT_EQ(tax.threshold, "-922337203685477.5808");
                      EXPECT_EQ(tax.cutoff, "922337203685477.5807");
                      EXPECT_EQ(tax.rate, "0");  // half a unit rounds to the even 0
                    })}),
    testing::CaseName());

// Identifiers written to look like query syntax are plain texts: they select nothing else.
INSTANTIATE_TEST_SUITE_P(
    Injection, HostileIslands,
    ::testing::Values(
        HostileLoad{"model keys with brackets and or",
                    With("TaxModelHdrData",
                         Rowset({R"(iKey="1")", R"(iKey="1]")", R"(iKey="1 or 1=1")",
                                 R"(iKey="1] | //z:row[@TaxModelItemID")", R"(iKey="']")"}),
                         "TaxModelData",
                         Rowset({R"(TaxModelItemID="1" TaxID="1")", R"(TaxModelItemID="1]" TaxID="2")",
                                 R"(TaxModelItemID="1 or 1=1" TaxID="3")", R"(TaxModelItemID="']" TaxID="4")"})),
                    Loads([](const ReferenceTables&, const TablesView& view) {
                      EXPECT_EQ(ModelTaxes(view, "K1"), std::vector<std::string>{"K1"});
                      EXPECT_EQ(ModelTaxes(view, "K1]"), std::vector<std::string>{"K2"});
                      EXPECT_EQ(ModelTaxes(view, "K1 or 1=1"), std::vector<std::string>{"K3"});
                      EXPECT_TRUE(ModelTaxes(view, "K1] | //z:row[@TaxModelItemID").empty());
                      EXPECT_EQ(ModelTaxes(view, "K']"), std::vector<std::string>{"K4"});
                    })},
        HostileLoad{"group keys with brackets",
                    With("TaxGroupData", Rowset({R"(iKey="1]")", R"(iKey="1")"}), "TaxGroupItemData",
                         Rowset({R"(TaxGroupID="1]" TaxID="1" IsTaxable="0")", R"(TaxGroupID="1" TaxID="1" IsTaxable="1")"})),
                    Loads([](const ReferenceTables&, const TablesView& view) {
                      ASSERT_EQ(view.taxGroups.size(), 2u);  // in table order: G1], then G1
                      EXPECT_EQ(view.taxGroups[0].key, "G1]");
                      ASSERT_EQ(view.taxGroups[0].taxes.size(), 1u);
                      EXPECT_FALSE(view.taxGroups[0].taxes[0].taxable);
                      EXPECT_TRUE(view.taxGroups[1].taxes.at(0).taxable);
                    })},
        HostileLoad{"a customer key with or",
                    With("TaxStatusData", Rowset({R"(CustomerID="1 or 1=1" crExemptType="Tax" TaxID="1")"})),
                    Loads([](const ReferenceTables& tables, const TablesView& view) {
                      EXPECT_EQ(view.taxStatuses.at(0).key, "K1 or 1=1K1");
                      // Customer 1 is not exempt: its tax line is taxed.
                      OneTaxRow("10", "0.6")(Answer(tables, Transaction(Detail(R"(ExtendedPrice="10")"))));
                    })},
        BadTaxColumn("a tax key with a bracket", TaxRow("1]"), errors::kTypeMismatch,
                     R"("iKey": type mismatch: "1]" is not a number)")),
    testing::CaseName());

// The first row that repeats a key (as written, or as the same number or letters written
// otherwise) fails the load, however many follow.
HostileLoad Duplicate(const char* name, const char* island, const std::vector<std::string>& rows,
                      const std::string& message) {
  return {name, With(island, Rowset(rows)),
          LoadFails(errors::kDuplicateKey, message + " is already in the collection")};
}

INSTANTIATE_TEST_SUITE_P(
    DuplicateKeys, HostileIslands,
    ::testing::Values(
        Duplicate("a thousand taxes", "taxData", Rows(TaxRow("1"), 1000), R"(taxData row 2: duplicate key: "K1")"),
        Duplicate("a tax written otherwise", "taxData", {TaxRow("1"), TaxRow("01.0")}, R"(taxData row 2: duplicate key: "K1")"),
        Duplicate("a thousand tax models", "TaxModelHdrData", Rows(R"(iKey="1")", 1000),
                  R"(TaxModelHdrData row 2: duplicate key: "K1")"),
        Duplicate("tax models differing in letter case only", "TaxModelHdrData", {R"(iKey="a")", R"(iKey="A")"},
                  R"(TaxModelHdrData row 2: duplicate key: "KA")"),
        Duplicate("a model listing a tax twice", "TaxModelData",
                  {R"(TaxModelItemID="1" TaxID="1")", R"(TaxModelItemID="1" TaxID="1.0")"},
                  R"(TaxModelHdrData row 1: TaxModelData row 2: duplicate key: "K1")"),
        Duplicate("a thousand tax groups", "TaxGroupData", Rows(R"(iKey="1")", 1000),
                  R"(TaxGroupData row 2: duplicate key: "G1")"),
        Duplicate("a thousand taxes of a group", "TaxGroupItemData", Rows(R"(TaxGroupID="1" TaxID="1" IsTaxable="1")", 1000),
                  R"(TaxGroupData row 1: TaxGroupItemData row 2: duplicate key: "K1")"),
        Duplicate("a status given twice", "TaxStatusData",
                  {R"(CustomerID="7" crExemptType="Tax" TaxID="1")",
                   R"(CustomerID="7" crExemptType="Tax" TaxID="1" TaxExemptNumber="X")"},
                  R"(TaxStatusData row 2: duplicate key: "K7K1")"),
        HostileLoad{"an unknown kind of exemption",
                    With("TaxStatusData", Rowset({R"(CustomerID="7" crExemptType="tax" TaxID="1")"})),
                    LoadFails(errors::kBadRow, "TaxStatusData row 1: attribute \"crExemptType\", value \"tax\": the kind "
                                               "of exemption is none of \"Tax\", \"TaxGroup\", \"InventoryItem\"")},
        HostileLoad{"a required column missing after a complete row",
                    With("taxData", Rowset({TaxRow("1"), TaxRow("2", R"(Sequence="1" Cutoff="0" TaxRate="1" crTaxType="%")")})),
                    LoadFails(errors::kObjectNotSet, R"(taxData row 2: attribute "ThreshHold" is missing)")}),
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
  for (const MissingColumn& c : cases) {
    IslandTexts islands;
    for (const char* id : kIslandIds) islands[id] = testing::ExampleText("tables/" + std::string(id) + ".xml");
    const std::string stripped = WithoutColumn(islands[c.island], c.column);
    ASSERT_NE(stripped, islands[c.island]) << c.island << " has no column " << c.column;
    islands[c.island] = stripped;
    const std::string expected = c.description ? ErrorText(errors::kObjectNotSet, c.description) : "";
    EXPECT_EQ(Load(islands).error, expected) << c.island << " without " << c.column;
  }
}

}  // namespace
}  // namespace quorvel

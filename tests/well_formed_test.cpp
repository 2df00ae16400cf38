// Documents that break one rule of well-formed XML each: a transaction answers NOHEADER with the
// rule and its place as the refusal, and an island fails the load with 1001 and leaves the
// thread's tables as they were. The sound documents the cases are made from calculate and load.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

// The places a case writes into a sound document.
enum Place {
  kPrologue,     // before the root element
  kDeclarations, // the root's namespace declarations (replaced)
  kRootContent,  // inside the root, before the rows
  kRowAttribute, // after the attributes of a row
  kValue,        // inside the value of a row's attribute "n"
  kEpilogue,     // after the root element
};

constexpr const char* kDeclared = R"( xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema")";

// `shape` with "{0}".."{5}" replaced: `text` at `place`, the sound text elsewhere.
std::string Written(std::string shape, Place place, const std::string& text) {
  for (int at = kPrologue; at <= kEpilogue; ++at) {
    const std::string sound = at == kDeclarations ? kDeclared : "";
    const std::string marker = "{" + std::to_string(at) + "}";
    shape.replace(shape.find(marker), marker.size(), at == place ? text : sound);
  }
  return shape;
}

const std::string kTransaction =
    "{0}<xml{1}>{2}<rs:data>\n<z:row head=\"1\" CustomerID=\"1\" TaxModel=\"1\"/>\n"
    "<z:row detail=\"1\" IsSubItem=\"False\" TaxGroupID=\"1\" IsTaxable=\"True\" ExtendedPrice=\"10\" "
    "n=\"a{4}\"{3}/>\n</rs:data></xml>{5}";
const std::string kTaxData =
    "{0}<xml{1}>{2}<rs:data>\n<z:row iKey=\"1\" Description=\"State\" Sequence=\"1\" ThreshHold=\"0\" Cutoff=\"0\" "
    "TaxRate=\"6\" crTaxType=\"%\" n=\"a{4}\"{3}/>\n</rs:data></xml>{5}";

// The same documents with plain elements around the rows, long enough that every case also
// falls where the scan classifies whole blocks of bytes at once; some of them hold what makes
// it look closer (quotes in text, '>' in a value, an apostrophe).
std::string Lengthened(std::string shape) {
  std::string before, after;
  for (int i = 0; i < 8; ++i) before += "<p a=\"1\" b=\"x>y\"/>\n<p a=\"1\" b=\"2\"/>\n";
  before += "<p a='\"'>say \"hi\"</p>\n";
  for (int i = 0; i < 8; ++i) after += "<p a=\"1\" b=\"2\" c=\"3\"/>\n";
  shape.insert(shape.find("{2}"), before);
  shape.insert(shape.find("</rs:data>"), after);
  return shape;
}

struct Malformed {
  const char* name;
  Place place;
  std::string text;
  std::string rule;  // as the refusal names it
};

void PrintTo(const Malformed& malformed, std::ostream* out) { *out << malformed.name; }

class WellFormed : public ::testing::TestWithParam<Malformed> {
 protected:
  void SetUp() override { CQuorvel(MakeMemoryHost(testing::SmallIslands())).LoadTables(); }
};

TEST_F(WellFormed, TheSoundDocumentsCalculateAndLoad) {
  // Everything XML allows around the rows: a byte-order mark, a declaration, comments,
  // processing instructions, CDATA, references, the xml prefix.
  const std::string prologue = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<!-- c --><?pi x?>";
  const std::string content = "<![CDATA[ <&]] ]]>]]&gt;&#60;<?pi?><!---->";
  for (const auto& [place, text] : std::map<Place, std::string>{{kPrologue, prologue},
                                                               {kRootContent, content},
                                                               {kRowAttribute, " xml:lang=\"en\""},
                                                               {kValue, "&#60;&amp;&#x41;]]>\xC3\xA9"},
                                                               {kEpilogue, "\n<!-- end -->\n"}}) {
    std::string refusal = "stale";
    const std::string result = CQuorvel(MakeMemoryHost({})).CalcTaxes(Written(kTransaction, place, text), refusal);
    EXPECT_NE(result, "NOHEADER") << text << ": " << refusal;
    EXPECT_EQ(refusal, "");
    EXPECT_NE(CQuorvel(MakeMemoryHost({})).CalcTaxes(Written(Lengthened(kTransaction), place, text), refusal),
              "NOHEADER")
        << text << ": " << refusal;
    testing::IslandTexts islands = testing::SmallIslands();
    islands["taxData"] = Written(kTaxData, place, text);
    EXPECT_EQ(testing::ErrorNumberOf([&] { CQuorvel(MakeMemoryHost(islands)).LoadTables(); }), 0) << text;
  }
}

TEST_P(WellFormed, ATransactionIsRefused) {
  const Malformed& malformed = GetParam();
  std::string refusal;
  const std::string result =
      CQuorvel(MakeMemoryHost({})).CalcTaxes(Written(kTransaction, malformed.place, malformed.text), refusal);
  EXPECT_EQ(result, "NOHEADER");
  EXPECT_EQ(refusal.rfind("not well-formed XML: " + malformed.rule + " at line ", 0), 0u) << refusal;
}

TEST_P(WellFormed, ALongTransactionIsRefused) {
  const Malformed& malformed = GetParam();
  std::string refusal;
  const std::string text = Written(Lengthened(kTransaction), malformed.place, malformed.text);
  EXPECT_EQ(CQuorvel(MakeMemoryHost({})).CalcTaxes(text, refusal), "NOHEADER");
  EXPECT_EQ(refusal.rfind("not well-formed XML: " + malformed.rule + " at line ", 0), 0u) << refusal;
}

TEST_P(WellFormed, AnIslandFailsTheLoadAndTheTablesStay) {
  const Malformed& malformed = GetParam();
  const std::string sound = Written(kTransaction, kValue, "");
  const std::string before = CQuorvel(MakeMemoryHost({})).CalcTaxes(sound);
  testing::IslandTexts islands = testing::SmallIslands();
  islands["taxData"] = Written(kTaxData, malformed.place, malformed.text);
  const auto caught = testing::ErrorOf([&] { CQuorvel(MakeMemoryHost(islands)).LoadTables(); });
  ASSERT_TRUE(caught) << "the island loaded";
  EXPECT_EQ(caught->number, errors::kIslandMissing);
  const std::string start = "island \"taxData\" is not well-formed XML (" + malformed.rule + " at line ";
  EXPECT_EQ(caught->description.rfind(start, 0), 0u) << caught->description;
  EXPECT_EQ(CQuorvel(MakeMemoryHost({})).CalcTaxes(sound), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WellFormed,
    ::testing::Values(
        Malformed{"duplicate attribute", kRowAttribute, " n=\"b\"", "duplicate attribute \"n\""},
        Malformed{"duplicate long attribute", kRowAttribute, " AttributeOfALongName=\"1\" AttributeOfALongName=\"2\"",
                  "duplicate attribute \"AttributeOfALongName\""},
        Malformed{"duplicate expanded name", kRowAttribute, " xmlns:p=\"u\" xmlns:q=\"u\" p:x=\"1\" q:x=\"2\"",
                  "duplicate attribute \"q:x\" (the same namespace and local name)"},
        Malformed{"text after the root", kEpilogue, "junk", "text outside the root element"},
        Malformed{"a second root", kEpilogue, "<xml/>", "content after the root element"},
        Malformed{"text after the declaration", kPrologue, "<?xml version=\"1.0\"?>junk", "text outside the root element"},
        Malformed{"text after a comment", kPrologue, "<!-- c -->junk", "text outside the root element"},
        Malformed{"less-than in a value", kValue, "<", "\"<\" in an attribute value"},
        Malformed{"bare ampersand", kValue, "&", "\"&\" that starts no reference (write &amp;)"},
        Malformed{"undefined entity", kValue, "&foo;", "the undefined entity &foo;"},
        Malformed{"raw control character", kValue, "\x01", "the control character U+0001 is not allowed"},
        Malformed{"NUL as a reference", kValue, "&#0;", "the character reference &#0; names a character XML does not allow"},
        Malformed{"control character as a reference", kValue, "&#1;",
                  "the character reference &#1; names a character XML does not allow"},
        Malformed{"U+FFFE as a reference", kValue, "&#xFFFE;",
                  "the character reference &#xFFFE; names a character XML does not allow"},
        Malformed{"raw U+FFFE", kValue, "\xEF\xBF\xBE", "the character U+FFFE is not allowed"},
        Malformed{"malformed UTF-8", kValue, "\xC3\x28", "malformed UTF-8"},
        Malformed{"no namespace declaration", kDeclarations, "", "the prefix \"rs\" is bound to no namespace"},
        Malformed{"undeclared attribute prefix", kRowAttribute, " p:x=\"1\"", "the prefix \"p\" is bound to no namespace"},
        Malformed{"two colons in a name", kRowAttribute, " a:b:c=\"1\"", "the attribute name \"a:b:c\" is not a qualified name"},
        Malformed{"prefix bound to nothing", kRowAttribute, " xmlns:p=\"\"", "the prefix \"p\" is bound to an empty namespace name"},
        Malformed{"dashes in a comment", kRootContent, "<!-- a -- b -->", "\"--\" inside a comment"},
        Malformed{"CDATA end in text", kRootContent, "]]>", "\"]]>\" in text"},
        Malformed{"declaration inside", kRootContent, "<?xml version=\"1.0\"?>",
                  "an XML declaration that is not at the very start of the document"},
        Malformed{"declaration after a blank", kPrologue, " <?xml version=\"1.0\"?>",
                  "an XML declaration that is not at the very start of the document"},
        Malformed{"declaration without version", kPrologue, "<?xml encoding=\"UTF-8\"?>", "an XML declaration without a version"},
        Malformed{"version 2.0", kPrologue, "<?xml version=\"2.0\"?>", "XML version \"2.0\" (only 1.x is read)"},
        Malformed{"Latin-1 declared", kPrologue, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
                  "the encoding \"ISO-8859-1\" is not accepted: documents are read as UTF-8"},
        Malformed{"UTF-16 byte-order mark", kPrologue, "\xFF\xFE", "a UTF-16 byte-order mark: documents are read as UTF-8"},
        Malformed{"UTF-32 byte-order mark", kPrologue, std::string("\0\0\xFE\xFF", 4),
                  "a UTF-32 byte-order mark: documents are read as UTF-8"},
        Malformed{"a DTD", kPrologue, "<!DOCTYPE xml [<!ENTITY m \"6\">]>", "a DTD is not accepted"}),
    testing::CaseName());

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Running out of memory while a document is read says nothing of the document: error 7, never
// NOHEADER. In a child process whose address space leaves room for the text but not its tree;
// the child exits with the error number.
[[noreturn]] void CalculateInLittleMemory(const ReferenceTables& tables) {
  std::string rows;
  for (int i = 0; i < 2'000'000; ++i) rows += "<z:row a=\"1\"/>";
  const std::string text = Written(kTransaction, kRootContent, rows);
  std::size_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const rlim_t room = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + text.size() + (32u << 20);
  const rlimit limit{room, room};
  setrlimit(RLIMIT_AS, &limit);
  try {
    CalculateTaxes(tables, text);
  } catch (const Error& error) {
    _exit(error.description() == "out of memory" ? error.number() : 1);
  }
  _exit(0);
}

TEST(OutOfMemory, AParseThatRunsOutIsError7) {
  const auto tables = LoadReferenceTables(*MakeMemoryHost(testing::SmallIslands()));
  EXPECT_EXIT(CalculateInLittleMemory(*tables), ::testing::ExitedWithCode(errors::kOutOfMemory), "");
}
#endif

}  // namespace
}  // namespace quorvel

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
#include "malformed_documents.hpp"

namespace quorvel {
namespace {

using testing::Lengthened;
using testing::Malformed;
using testing::Written;
using testing::kTransaction;
using testing::kTaxData;
using testing::Place;
using enum testing::Place;

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
                                                               {kValue, "&#60;&amp;&apos;&quot;&lt;&gt;&#x41;]]>\xC3\xA9\xE0\xA0\x80"},
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

// Short, and long enough that the case also falls where the scan takes whole blocks at once.
TEST_P(WellFormed, ATransactionIsRefused) {
  const Malformed& malformed = GetParam();
  for (const std::string& shape : {kTransaction, Lengthened(kTransaction)}) {
    std::string refusal;
    EXPECT_EQ(CQuorvel(MakeMemoryHost({})).CalcTaxes(Written(shape, malformed.place, malformed.text), refusal),
              "NOHEADER");
    EXPECT_EQ(refusal.rfind("not well-formed XML: " + malformed.rule + " at line ", 0), 0u) << refusal;
  }
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
    ::testing::ValuesIn(testing::MalformedCases()),
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

// The versions of the markup pass (portable, SSE2, AVX2 where this processor has them) refuse
// what the portable one refuses, at the same place; QUORVEL_XML_SCAN picks the one the engine
// runs, which is how ctest runs the rule table on each (tests/CMakeLists.txt).
#include "xml/wellformed/markup_scan.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "malformed_documents.hpp"
#include "test_support.hpp"

namespace quorvel::xml {

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.rule << " at byte " << refusal.offset; }

namespace {

class MarkupPasses : public ::testing::TestWithParam<testing::Malformed> {};

TEST_P(MarkupPasses, EveryVersionAgreesWithThePortableOne) {
  const testing::Malformed& malformed = GetParam();
  for (const std::string& shape : {testing::kTransaction, testing::Lengthened(testing::kTransaction),
                                   testing::kTaxData, testing::Lengthened(testing::kTaxData)}) {
    const std::string text = testing::Written(shape, malformed.place, malformed.text);
    const std::optional<Refusal> portable = ScanMarkup(text, ScanVersion::kPortable);
    for (const ScanVersion version : ScanVersions()) EXPECT_EQ(ScanMarkup(text, version), portable) << NameOf(version) << ": " << text;
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, MarkupPasses, ::testing::ValuesIn(testing::MalformedCases()), testing::CaseName());

TEST(MarkupPassSwitch, TheEngineRunsTheVersionTheEnvironmentNames) {
  const std::vector<ScanVersion> versions = ScanVersions();
  const char* named = std::getenv("QUORVEL_XML_SCAN");
  const auto known = std::find_if(versions.begin(), versions.end(),
                                  [&](ScanVersion version) { return named && std::string(named) == NameOf(version); });
  // Unnamed, or a version this processor lacks: the fastest.
  EXPECT_EQ(ScanVersionInUse(), known == versions.end() ? versions.back() : *known) << (named ? named : "unset");
}

}  // namespace
}  // namespace quorvel::xml

// The versions of the markup pass: the one with wider instructions that this processor takes,
// when it has one, refuses what the baseline refuses, at the same place.
#include "xml/markup_scan.hpp"

#include <gtest/gtest.h>

#include <string>

#include "malformed_documents.hpp"
#include "test_support.hpp"

namespace quorvel::xml {

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.rule << " at byte " << refusal.offset; }

namespace {

class MarkupPasses : public ::testing::TestWithParam<testing::Malformed> {};

TEST_P(MarkupPasses, TheWiderPassAgreesWithTheBaseline) {
  const MarkupPass wider = WiderMarkupPass();
  if (!wider) GTEST_SKIP() << "this processor runs the baseline only";
  const testing::Malformed& malformed = GetParam();
  for (const std::string& shape : {testing::kTransaction, testing::Lengthened(testing::kTransaction),
                                   testing::kTaxData, testing::Lengthened(testing::kTaxData)}) {
    const std::string text = testing::Written(shape, malformed.place, malformed.text);
    EXPECT_EQ(wider(text), ScanMarkupBaseline(text)) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, MarkupPasses, ::testing::ValuesIn(testing::MalformedCases()), testing::CaseName());

}  // namespace
}  // namespace quorvel::xml

// Golden files: every transaction NAME.xml beside NAME.expected is calculated against the tables
// of its folder and compared with the expected text byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

struct GoldenSet {
  std::string name;
  std::string tables;        // folder of the six islands
  std::string transactions;  // folder of NAME.xml and NAME.expected
};

std::string ReadFile(const fs::path& path) { return ReadWholeFile(path.string(), FileKinds::kRegularOnly); }

std::vector<fs::path> Transactions(const std::string& folder) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    fs::path expected = entry.path();
    expected.replace_extension(".expected");
    if (entry.path().extension() == ".xml" && fs::exists(expected)) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

void PrintTo(const GoldenSet& set, std::ostream* out) { *out << set.name; }

class Golden : public ::testing::TestWithParam<GoldenSet> {};

TEST_P(Golden, ResultsMatchByteForByte) {
  const GoldenSet set = GetParam();
  const auto tables = LoadReferenceTables(*MakeFolderHost(set.tables));
  const std::vector<fs::path> transactions = Transactions(set.transactions);
  ASSERT_FALSE(transactions.empty()) << set.transactions;
  for (const fs::path& transaction : transactions) {
    fs::path expected = transaction;
    expected.replace_extension(".expected");
    EXPECT_EQ(CalculateTaxes(*tables, ReadFile(transaction)), ReadFile(expected)) << transaction;
  }
}

const std::string kGolden = std::string(QUORVEL_SOURCE_DIR) + "/tests/golden/";

INSTANTIATE_TEST_SUITE_P(
    Sets, Golden,
    ::testing::Values(
        GoldenSet{"WorkedExample", kGolden + "worked-example", kGolden + "worked-example"},
        GoldenSet{"Rounding", kGolden + "rounding", kGolden + "rounding"},
        GoldenSet{"Examples", testing::ExamplesDir() + "/tables", testing::ExamplesDir() + "/transactions"}),
    testing::CaseName());

}  // namespace
}  // namespace quorvel

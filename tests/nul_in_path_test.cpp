// Every entry point that takes a path refuses one holding a NUL character, which the operating
// system would take for its end: the file before the NUL exists here, so cutting it short there
// would succeed.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

using namespace std::string_literals;

struct PathCase {
  std::string name;
  std::string path;
  std::function<void(const std::string&)> use;
};
void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class NulInPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(NulInPath, IsRefusedNamingTheNul) {
  const PathCase& c = GetParam();
  const auto caught = testing::ErrorOf([&] { c.use(c.path); });
  ASSERT_TRUE(caught) << "the path was taken as far as its NUL";
  EXPECT_EQ(caught->number, errors::kIslandMissing);
  const std::string nulAt = "holds a NUL character at byte " + std::to_string(c.path.find('\0'));
  EXPECT_NE(caught->description.find(nulAt), std::string::npos) << caught->description;
  EXPECT_NE(caught->description.find("\\0"), std::string::npos) << caught->description;
}

const std::string kTaxData = testing::ExamplesDir() + "/tables/taxData.xml\0.bak"s;
const std::string kTables = testing::ExamplesDir() + "/tables\0/elsewhere"s;

INSTANTIATE_TEST_SUITE_P(
    EntryPoints, NulInPath,
    ::testing::Values(
        PathCase{"file a user names", kTaxData, [](const std::string& path) { ReadWholeFile(path, FileKinds::kAny); }},
        PathCase{"file found in a folder", kTaxData,
                 [](const std::string& path) { ReadWholeFile(path, FileKinds::kRegularOnly); }},
        PathCase{"folder of the tables", kTables,
                 [](const std::string& path) { LoadReferenceTables(*MakeFolderHost(path)); }},
        PathCase{"folder of a control", kTables,
                 [](const std::string& path) { CQuorvel(MakeFolderHost(path)).LoadDataObjects(); }}),
    testing::CaseName());

}  // namespace
}  // namespace quorvel

// The bundled examples: every example transaction, calculated against the example tables, gives
// exactly the result kept beside it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "quorvel/quorvel.hpp"
#include "reference/reference_tables.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file) << "cannot read " << path;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class Examples : public ::testing::TestWithParam<const char*> {};

TEST_P(Examples, GiveTheirKeptResultExactly) {
  static const auto tables = LoadReferenceTables(*MakeFolderHost(testing::ExamplesDir() + "/tables"));
  const std::string base = testing::ExamplesDir() + "/transactions/" + GetParam();
  EXPECT_EQ(CalculateTaxes(*tables, FileText(base + ".xml")), FileText(base + ".expected"));
}

INSTANTIATE_TEST_SUITE_P(Transactions, Examples,
                         ::testing::Values("01-in-town-sale", "02-county-exempt-customer",
                                           "03-reseller-work-order", "04-return-credit",
                                           "05-shipment-with-exempt-item", "06-luxury-purchase"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return "Example_" + name;
                         });

}  // namespace
}  // namespace quorvel

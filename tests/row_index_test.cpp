// RowIndex held to a scan of every row, comparing keys as "[@attribute = key]" does: as numbers
// when the key is a number, else as exact text.
#include "reference/index/row_index.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "test_support.hpp"
#include "xml/document.hpp"
#include "xml/xpath_number.hpp"

namespace quorvel {
namespace {

// Numbers written many ways, texts that look like numbers but are none to XPath, and texts.
std::vector<std::string> OddlyWritten() {
  return {"7", "07", " 7.0 ", "7.", "-0", "0", ".0", "1e1", "x",
          "x ", "", "NaN", "-3", "-3.00", "0.5", ".5", "+5"};
}

// Whole numbers, whose doubles differ only in their high bits, each the key of a few rows.
std::vector<std::string> ManyWholeNumbers() {
  std::vector<std::string> values;
  for (int round = 0; round < 3; ++round) {
    for (int group = 0; group < 3000; ++group) values.push_back(std::to_string(group * 16));
  }
  return values;
}

struct RowFamily {
  const char* name;
  std::vector<std::string> (*values)();
};

class RowIndexOracle : public ::testing::TestWithParam<RowFamily> {};

TEST_P(RowIndexOracle, GivesTheRowsAScanFindsInDocumentOrder) {
  const std::vector<std::string> values = GetParam().values();
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < values.size(); ++i) {
    rows.push_back("g=\"" + values[i] + "\" n=\"" + std::to_string(i) + "\"");
    if (i % 5 == 0) rows.push_back("n=\"no key\"");
  }
  xml::Document document;
  ASSERT_TRUE(document.Parse(testing::Rowset(rows)).parsed);
  const RowIndex index(document.RowsetRows(), "g");
  std::vector<std::optional<double>> numbers;
  for (const std::string& value : values) numbers.push_back(xml::XPathNumber(value));
  std::set<std::string> keys(values.begin(), values.end());
  keys.insert({"007.00", "9", "-1", "Infinity", "no key"});
  for (const std::string& key : keys) {
    const std::optional<double> number = xml::XPathNumber(key);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (number ? numbers[i] == number : values[i] == key) expected.push_back(std::to_string(i));
    }
    std::vector<std::string> given;
    for (const xml::Row& row : index.RowsFor(key)) given.emplace_back(*row.element.Attribute("n"));
    EXPECT_EQ(given, expected) << '"' << key << '"';
  }
}

INSTANTIATE_TEST_SUITE_P(Families, RowIndexOracle,
                         ::testing::Values(RowFamily{"OddlyWrittenNumbersAndTexts", OddlyWritten},
                                           RowFamily{"ManyWholeNumberGroups", ManyWholeNumbers}),
                         [](const auto& instance) { return std::string(instance.param.name); });

}  // namespace
}  // namespace quorvel

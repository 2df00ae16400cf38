// Helpers shared by the tests: catching errors, building rowset documents, naming cases.
// Only the public header is needed here, so that the tests of behaviour can use it too.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <ostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/quorvel.hpp"

// The tests of the internals, which see the engine's own headers, also show currency values as
// their number text in failures.
#if __has_include("common/number_text.hpp")
#include "common/currency.hpp"
#include "common/number_text.hpp"

namespace quorvel {

inline void PrintTo(const Currency& value, std::ostream* out) { *out << NumberText(value); }

}  // namespace quorvel
#endif

namespace quorvel::testing {

// The error an action throws, or nothing when it throws none.
struct Caught {
  int number;
  std::string description;
};
inline std::optional<Caught> ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return Caught{error.number(), error.description()};
  }
  return std::nullopt;
}

// The error number an action throws, 0 when it throws none.
inline int ErrorNumberOf(const std::function<void()>& action) {
  const auto caught = ErrorOf(action);
  return caught ? caught->number : 0;
}

// A rowset document holding one z:row per entry; each entry is the row's attribute text
// (for example R"(iKey="1" Description="State")").
inline std::string Rowset(const std::vector<std::string>& rows) {
  std::string text =
      "<xml xmlns:rs=\"urn:schemas-microsoft-com:rowset\" xmlns:z=\"#RowsetSchema\">\n<rs:data>\n";
  for (const std::string& row : rows) text += "\t<z:row " + row + "/>\n";
  return text + "</rs:data>\n</xml>\n";
}

using IslandTexts = std::map<std::string, std::string, std::less<>>;

// Six islands with one tax (K1), one model (K1 lists K1), one group (G1 taxable under K1) and
// one status (customer 7 exempt from tax 1); tests change the islands they are about.
inline IslandTexts SmallIslands() {
  return {
      {"taxData", Rowset({R"(iKey="1" Description="State" Sequence="1" ThreshHold="0" )"
                          R"(Cutoff="0" TaxRate="6" crTaxType="%" GLAccountID="4010")"})},
      {"TaxModelHdrData", Rowset({R"(iKey="1")"})},
      {"TaxModelData", Rowset({R"(TaxModelItemID="1" TaxID="1")"})},
      {"TaxGroupData", Rowset({R"(iKey="1")"})},
      {"TaxGroupItemData", Rowset({R"(TaxGroupID="1" TaxID="1" IsTaxable="1")"})},
      {"TaxStatusData", Rowset({R"(CustomerID="7" crExemptType="Tax" TaxID="1")"})},
  };
}

// ---- Names of parameterised cases ----
// A case is listed as Suite/Test/<name>; the name must stay the same from run to run and say
// which case it is. Give each case's type a PrintTo too, or gtest lists its bytes beside it.

// Prose as a test name: letters and digits kept, every other character '_'.
inline std::string TestName(std::string_view prose) {
  std::string name(prose);
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// A value's text as a test name that tells it from similar texts: letters and digits kept,
// every other character spelt out ("-1.5 " gives "minus_1_point_5_blank", "" gives "empty").
inline std::string SpeltName(std::string_view text) {
  static const std::map<char, std::string> kWords = {
      {' ', "blank"}, {'\t', "tab"},   {'\n', "newline"}, {'-', "minus"},  {'+', "plus"},   {'.', "point"},
      {',', "comma"}, {'$', "dollar"}, {'%', "percent"},  {'(', "open"},   {')', "close"}, {'*', "times"},
      {'=', "is"}};
  if (text.empty()) return "empty";
  std::string name;
  bool inWord = false;  // the last thing written is a run of letters and digits
  for (char c : text) {
    const bool alphanumeric = std::isalnum(static_cast<unsigned char>(c)) != 0;
    if (!name.empty() && !(alphanumeric && inWord)) name += '_';
    name += alphanumeric        ? std::string(1, c)
            : kWords.count(c) ? kWords.at(c)
                              : "char" + std::to_string(static_cast<unsigned char>(c));
    inWord = alphanumeric;
  }
  return name;
}

// Names each case after its `name` member: INSTANTIATE_TEST_SUITE_P's last argument.
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return TestName(info.param.name);
  }
};

// The folder of the bundled example data.
inline std::string ExamplesDir() { return std::string(QUORVEL_SOURCE_DIR) + "/examples"; }

// The text of a file of the example data ("tables/taxData.xml").
inline std::string ExampleText(const std::string& file) {
  return ReadWholeFile(ExamplesDir() + "/" + file, FileKinds::kRegularOnly);
}

}  // namespace quorvel::testing

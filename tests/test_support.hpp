// Helpers shared by the tests: catching errors and building rowset documents.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

#include "common/currency.hpp"
#include "common/number_text.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel {

// Shows currency values as their number text in test failures.
inline void PrintTo(const Currency& value, std::ostream* out) { *out << NumberText(value); }

}  // namespace quorvel

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

// The folder of the bundled example data.
inline std::string ExamplesDir() { return std::string(QUORVEL_SOURCE_DIR) + "/examples"; }

}  // namespace quorvel::testing

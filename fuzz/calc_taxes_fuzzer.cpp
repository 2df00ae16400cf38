// Fuzz target: CalcTaxes on arbitrary text, against the example tables.
//
// Whatever the text, the call answers "NOHEADER", a well-formed result rowset whose rows all
// carry a non-zero tax, or a quorvel::Error; and the thread's tables stay the ones loaded.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine_seam.hpp"
#include "fuzz_support.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel::fuzz {
namespace {

constexpr std::string_view kResultStart = "<xml>\r\n<rs:data xmlns:rs=\"urn:schemas-microsoft-com:rowset\" TaxItems=\"/";
constexpr std::string_view kResultEnd = "/\" >";  // the taxed-items list ends with "/" too
constexpr std::string_view kFooter = "</rs:data>\r\n</xml>";

// The control, with the example tables loaded on this thread once.
const CQuorvel& Control() {
  static const CQuorvel control = [] {
    CQuorvel loaded(MakeMemoryHost(ExampleTables()));
    loaded.LoadTables();
    return loaded;
  }();
  return control;
}

std::size_t Occurrences(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

void ExpectWellFormedResult(std::string_view result) {
  Expect(result.substr(0, kResultStart.size()) == kResultStart, "the result starts otherwise");
  Expect(result.find(kResultEnd) != std::string_view::npos, "the taxed-items list is not closed");
  Expect(result.size() >= kFooter.size() && result.substr(result.size() - kFooter.size()) == kFooter,
         "the result ends otherwise");
  const XmlVerdict verdict = ParseXml(result);
  Expect(verdict.parsed, "the result is not well-formed XML: " + verdict.reason);
  const std::vector<ResultRow> rows = RowsetRows(result);
  Expect(rows.size() == Occurrences(result, "<z:row"), "a row escaped its element");
  for (const ResultRow& row : rows) {
    Expect(row.extendedPrice && CurrencyUnits(*row.extendedPrice) != 0, "a row without a non-zero tax");
    Expect(row.taxId.has_value(), "a row without TaxID");
  }
}

}  // namespace
}  // namespace quorvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvel;
  const CQuorvel& control = fuzz::Control();
  static const std::shared_ptr<const ReferenceTables> loaded = fuzz::ThreadTables();
  try {
    const std::string result = control.CalcTaxes(fuzz::AsText(data, size));
    if (result != "NOHEADER") fuzz::ExpectWellFormedResult(result);
  } catch (const Error& error) {
    fuzz::Expect(!error.description().empty(), "an error without a description");
  }
  fuzz::Expect(fuzz::ThreadTables() == loaded, "a calculation replaced the tables");
  return 0;
}

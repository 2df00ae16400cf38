// Fuzz target: loading the reference tables from six arbitrary island texts.
//
// The input is cut at each ASCII record separator (0x1E, which XML never holds) into the texts of
// taxData, TaxModelHdrData, TaxModelData, TaxGroupData, TaxGroupItemData and TaxStatusData, in
// this order; islands the input has no piece for are missing from the host page, pieces after
// the sixth are ignored. A load installs new tables or throws quorvel::Error and leaves the
// thread's tables exactly as they were. Tables that loaded then calculate every example
// transaction to a result or an Error.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine_seam.hpp"
#include "fuzz_support.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel::fuzz {
namespace {

constexpr char kIslandSeparator = '\x1e';

std::map<std::string, std::string, std::less<>> IslandsOf(std::string_view input) {
  std::map<std::string, std::string, std::less<>> islands;
  std::size_t start = 0;
  for (const char* islandId : kIslandIds) {
    if (start > input.size()) break;  // the last piece was taken: the other islands are missing
    const std::size_t end = std::min(input.find(kIslandSeparator, start), input.size());
    islands.emplace(islandId, std::string(input.substr(start, end - start)));
    start = end + 1;
  }
  return islands;
}

// The tables every load starts from: the example tables.
const std::shared_ptr<const ReferenceTables>& ExampleReferenceTables() {
  static const std::shared_ptr<const ReferenceTables> tables = [] {
    CQuorvel(MakeMemoryHost(ExampleTables())).LoadTables();
    return ThreadTables();
  }();
  return tables;
}

void CalculateEveryExample(const CQuorvel& control) {
  static const auto transactions = ExampleTransactions();
  for (const auto& [name, text] : transactions) {
    try {
      const std::string result = control.CalcTaxes(text);
      Expect(result != "NODATA", "no tables after a load");
    } catch (const Error&) {
      // Loaded tables may hold any numbers; an overflow or a missing model is a clear error.
    }
  }
}

}  // namespace
}  // namespace quorvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvel;
  const auto& before = fuzz::ExampleReferenceTables();
  fuzz::InstallThreadTables(before);
  const CQuorvel control(MakeMemoryHost(fuzz::IslandsOf(fuzz::AsText(data, size))));
  try {
    control.LoadTables();
  } catch (const Error& error) {
    fuzz::Expect(!error.description().empty(), "an error without a description");
    fuzz::Expect(fuzz::ThreadTables() == before, "a failed load changed the tables");
    return 0;
  }
  fuzz::Expect(fuzz::ThreadTables() != before, "a load kept the old tables");
  fuzz::CalculateEveryExample(control);
  return 0;
}

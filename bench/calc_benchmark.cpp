// CalcTaxes beside its floor: parsing the same transaction text with pugixml's default options
// into a fresh document. No calculation can be faster than reading its document once.
#include <benchmark/benchmark.h>

#include <chrono>
#include <pugixml.hpp>
#include <string>

#include "quorvel/quorvel.hpp"
#include "workload.hpp"

namespace quorvel::bench {
namespace {

struct Document {
  int taxes;       // taxes of the transaction's tax model
  int detailRows;  // detail rows of the transaction
};
constexpr Document kTypical{5, 20};
constexpr Document kLarge{10, 1000};
constexpr Document kTiny{5, 1};

template <typename Action>
double SecondsOf(Action&& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void ParseIntoFreshDocument(const std::string& text) {
  pugi::xml_document document;
  benchmark::DoNotOptimize(document.load_buffer(text.data(), text.size()));
}

void ParseFloor(benchmark::State& state, Document shape) {
  const std::string text = Transaction(shape.detailRows);
  for (auto _ : state) ParseIntoFreshDocument(text);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Times CalcTaxes; every iteration also parses the text once, untimed in the reported figure, so
// that `floor` is measured under the same conditions; `x_floor` is CalcTaxes over the floor.
void CalcTaxes(benchmark::State& state, Document shape) {
  const CQuorvel control(MakeMemoryHost(CalculationIslands(shape.taxes)));
  control.LoadTables();
  const std::string text = Transaction(shape.detailRows);
  const std::string sample = control.CalcTaxes(text);
  if (sample.find("<z:row") == std::string::npos) {
    state.SkipWithError("the generated transaction yields no tax");
    return;
  }
  double floorSeconds = 0;
  double calcSeconds = 0;
  for (auto _ : state) {
    floorSeconds += SecondsOf([&] { ParseIntoFreshDocument(text); });
    const double seconds = SecondsOf([&] { benchmark::DoNotOptimize(control.CalcTaxes(text)); });
    calcSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["floor"] = benchmark::Counter(floorSeconds, benchmark::Counter::kAvgIterations);
  state.counters["x_floor"] = calcSeconds / floorSeconds;
}

BENCHMARK_CAPTURE(ParseFloor, typical, kTypical)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CalcTaxes, typical, kTypical)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ParseFloor, large, kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CalcTaxes, large, kLarge)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ParseFloor, tiny, kTiny)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(CalcTaxes, tiny, kTiny)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quorvel::bench

// Loading the reference tables: time per island row at three sizes, and the memory the loaded
// tables hold beside the size of the islands they came from.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

#include "heap_counter.hpp"
#include "quorvel/quorvel.hpp"
#include "workload.hpp"

namespace quorvel::bench {
namespace {

constexpr int kIslands = 6;

// Seconds per load, by rows per island, for comparing the sizes with each other.
std::map<std::int64_t, double>& SecondsPerLoad() {
  static std::map<std::int64_t, double> seconds;
  return seconds;
}

// Loads the six islands (parsing included, as a host page hands over texts) of range(0) rows each.
void LoadTables(benchmark::State& state) {
  const std::int64_t rows = state.range(0);
  const IslandTexts islands = LoadIslands(static_cast<int>(rows));
  const auto host = MakeMemoryHost(islands);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(LoadReferenceTables(*host));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                         static_cast<double>(state.iterations());
  SecondsPerLoad()[rows] = seconds;
  using benchmark::Counter;
  state.counters["rows"] = static_cast<double>(kIslands * rows);
  state.counters["per_row"] = Counter(static_cast<double>(kIslands * rows),
                                      Counter::kIsIterationInvariantRate | Counter::kInvert);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalBytes(islands)));
  const auto tenth = SecondsPerLoad().find(rows / 10);
  if (tenth != SecondsPerLoad().end()) state.counters["x_tenth"] = seconds / tenth->second;
}

// The heap the loaded tables hold once the island documents are gone (tables), and the most the
// load held at once, parsed island documents included (peak), beside the islands' text size.
void TableMemory(benchmark::State& state) {
  const std::int64_t rows = state.range(0);
  const IslandTexts islands = LoadIslands(static_cast<int>(rows));
  const auto host = MakeMemoryHost(islands);
  long long tablesBytes = 0;
  long long peakBytes = 0;
  for (auto _ : state) {
    const heap::Counting counting;
    auto tables = LoadReferenceTables(*host);
    tablesBytes = heap::InUse();
    peakBytes = heap::Peak();
    tables.reset();
  }
  const auto islandBytes = static_cast<double>(TotalBytes(islands));
  state.counters["island_bytes"] = islandBytes;
  state.counters["tables_bytes"] = static_cast<double>(tablesBytes);
  state.counters["peak_bytes"] = static_cast<double>(peakBytes);
  state.counters["x_islands"] = static_cast<double>(tablesBytes) / islandBytes;
  state.counters["peak_x_islands"] = static_cast<double>(peakBytes) / islandBytes;
}

BENCHMARK(LoadTables)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(TableMemory)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench

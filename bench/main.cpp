// The benchmark runner: Google Benchmark's usual main, with the heap counter installed first.
#include <benchmark/benchmark.h>

#include "heap_counter.hpp"

int main(int argc, char** argv) {
  quorvel::bench::heap::Install();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

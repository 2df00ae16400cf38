// The benchmark runner: Google Benchmark's usual main, with the heap counter installed first.
//
// glibc hands blocks above a threshold out as fresh mappings and gives freed memory back to the
// kernel, and it moves both thresholds as the program runs. A 130 KB document then costs page
// faults in one loop and none in another, depending on what ran before. Both thresholds are
// fixed high, so that the floor and CalcTaxes are timed on the same footing, without faults.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "heap_counter.hpp"

int main(int argc, char** argv) {
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  quorvel::bench::heap::Install();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

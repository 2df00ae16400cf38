// The native figure beside the WebAssembly one: CQuorvel::CalcTaxes on one transaction document,
// with the tables of a folder loaded once. wasm/bench/calc_taxes.js runs it and compares.
//
// Usage: quorvel_native_calc_bench TABLES_FOLDER TRANSACTION_FILE [--benchmark_... flags]
#include <benchmark/benchmark.h>

#include <iostream>
#include <string>

#include "quorvel/quorvel.hpp"

namespace {

// The transaction document, its file named in the error when it cannot be read.
std::string ReadTransaction(const std::string& path) {
  try {
    return quorvel::ReadWholeFile(path, quorvel::FileKinds::kAny);
  } catch (const quorvel::Error& error) {
    throw quorvel::Error(error.number(), "\"" + path + "\": " + error.description());
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 3) {
    std::cerr << "usage: " << argv[0] << " TABLES_FOLDER TRANSACTION_FILE [--benchmark_...]\n";
    return 2;
  }
  try {
    const quorvel::CQuorvel control(quorvel::MakeFolderHost(argv[1]));
    control.LoadTables();
    const std::string transaction = ReadTransaction(argv[2]);
    benchmark::RegisterBenchmark("CalcTaxes", [&](benchmark::State& state) {
      for (auto _ : state) benchmark::DoNotOptimize(control.CalcTaxes(transaction));
    })->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "quorvel_native_calc_bench: " << error.what() << "\n";
    return 1;
  }
}

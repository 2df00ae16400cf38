// quorvel_profile: runs one workload a fixed number of times, for profilers whose counts should
// not depend on timing (valgrind --tool=callgrind, perf record).
//
//   quorvel_profile calc typical|large|tiny ITERATIONS   CalcTaxes on a generated transaction
//   quorvel_profile parse typical|large|tiny ITERATIONS  the parse-only floor of the same text
//   quorvel_profile load ROWS ITERATIONS                 LoadReferenceTables on six islands
//   quorvel_profile files DIR COUNT                      writes DIR/tables (the tables of the
//                                                        typical transaction) and COUNT copies of
//                                                        it as DIR/transactions/*.xml, for batch
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "quorvel/quorvel.hpp"
#include "workload.hpp"

namespace {

struct Shape {
  int taxes;
  int detailRows;
};

bool ShapeNamed(std::string_view name, Shape& shape) {
  if (name == "typical") shape = {5, 20};
  else if (name == "large") shape = {10, 1000};
  else if (name == "tiny") shape = {5, 1};
  else return false;
  return true;
}

int Usage() {
  std::cerr << "usage: quorvel_profile calc|parse typical|large|tiny ITERATIONS\n"
               "       quorvel_profile load ROWS ITERATIONS\n"
               "       quorvel_profile files DIR COUNT\n";
  return 2;
}

void Write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The typical transaction and its tables as files, for timing `quorvel batch`.
int WriteFiles(const std::filesystem::path& folder, long count) {
  std::filesystem::create_directories(folder / "tables");
  std::filesystem::create_directories(folder / "transactions");
  for (const auto& [id, text] : quorvel::bench::CalculationIslands(5)) {
    Write(folder / "tables" / (id + ".xml"), text);
  }
  const std::string transaction = quorvel::bench::Transaction(20);
  for (long i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "trans-%06ld.xml", i);
    Write(folder / "transactions" / name, transaction);
  }
  std::cout << "wrote " << count << " transactions and their tables under " << folder.string() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quorvel;
  // As in the benchmarks (bench/main.cpp): no page faults that depend on the heap's history.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  if (argc != 4) return Usage();
  const std::string_view what = argv[1];
  const long iterations = std::atol(argv[3]);
  std::size_t checksum = 0;
  if (what == "files") return WriteFiles(argv[2], iterations);
  if (what == "load") {
    const auto host = MakeMemoryHost(bench::LoadIslands(std::atoi(argv[2])));
    for (long i = 0; i < iterations; ++i) checksum += LoadReferenceTables(*host) != nullptr;
  } else {
    Shape shape{};
    if (!ShapeNamed(argv[2], shape)) return Usage();
    const std::string text = bench::Transaction(shape.detailRows);
    if (what == "calc") {
      const CQuorvel control(MakeMemoryHost(bench::CalculationIslands(shape.taxes)));
      control.LoadTables();
      for (long i = 0; i < iterations; ++i) checksum += control.CalcTaxes(text).size();
    } else if (what == "parse") {
      for (long i = 0; i < iterations; ++i) {
        pugi::xml_document document;
        checksum += static_cast<bool>(document.load_buffer(text.data(), text.size()));
      }
    } else {
      return Usage();
    }
  }
  std::cout << what << " " << argv[2] << " x" << iterations << ": checksum " << checksum << "\n";
  return 0;
}

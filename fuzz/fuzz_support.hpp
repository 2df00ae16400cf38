// What the fuzz targets share: the bundled example data and the check that turns a broken
// promise into a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace quorvel::fuzz {

// The six example islands, keyed by island identifier (generated from examples/tables).
std::map<std::string, std::string, std::less<>> ExampleTables();

// The example transactions, keyed by name (generated from examples/transactions).
std::map<std::string, std::string, std::less<>> ExampleTransactions();

// Stops the program as a crash would, saying `what`: libFuzzer keeps the input, a replay fails.
[[noreturn]] inline void Finding(std::string_view what) {
  std::fprintf(stderr, "fuzz finding: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

// A finding when `promise` does not hold.
inline void Expect(bool promise, std::string_view what) {
  if (!promise) Finding(what);
}

// The input as text.
inline std::string_view AsText(const unsigned char* data, std::size_t size) {
  return size == 0 ? std::string_view() : std::string_view(reinterpret_cast<const char*>(data), size);
}

}  // namespace quorvel::fuzz

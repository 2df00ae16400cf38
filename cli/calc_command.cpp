// `quorvel calc`: calculate one transaction and write the result exactly as the control returns it.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "commands.hpp"
#include "quorvel/quorvel.hpp"
#include "standard_output.hpp"
#include "tables_source.hpp"
#include "usage_error.hpp"

namespace quorvel::cli {
namespace {

std::string ReadTransaction(const std::string& file) {
  const bool standardInput = file.empty() || file == "-";
  std::error_code ignored;
  if (!standardInput && std::filesystem::is_directory(file, ignored)) {
    throw UsageError("calc takes one transaction document, and \"" + file +
                     "\" is a folder (batch calculates a folder's documents)");
  }
  try {
    return standardInput ? ReadStandardInput() : ReadWholeFile(file, FileKinds::kAny);
  } catch (const Error& error) {
    const std::string name = standardInput ? "standard input" : "\"" + file + "\"";
    throw Error(error.number(), name + ": " + error.description());
  }
}

}  // namespace

int RunCalc(const CalcOptions& options) {
  const std::string transaction = ReadTransaction(options.file);
  const auto tables = LoadTables(options.tables);
  std::string refusal;
  const std::string result = CalculateTaxes(*tables, transaction, refusal);
  if (!refusal.empty()) std::fprintf(stderr, "quorvel: warning: %s\n", refusal.c_str());
  WriteToStandardOutput(result);
  FlushStandardOutput();
  return 0;
}

}  // namespace quorvel::cli

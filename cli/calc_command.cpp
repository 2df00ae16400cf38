// `quorvel calc`: calculate one transaction and write the result exactly as the control returns it.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "commands.hpp"

namespace quorvel::cli {
namespace {

std::string ReadAll(std::istream& in) {
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ReadTransaction(const std::string& path) {
  if (path.empty() || path == "-") {
    std::freopen(nullptr, "rb", stdin);
    return ReadAll(std::cin);
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read \"" + path + "\"");
  return ReadAll(file);
}

}  // namespace

void AddCalcCommand(CLI::App& app, Action& run) {
  auto* command = app.add_subcommand("calc", "Calculate the taxes of one transaction document");
  auto folder = std::make_shared<std::string>();
  auto file = std::make_shared<std::string>();
  command->add_option("--tables", *folder, "Folder holding the six data islands (default: the "
                                           "built-in example tables)");
  command->add_option("file", *file, "Transaction document; - or none for standard input");
  command->callback([&run, folder, file] {
    run = [folder, file] {
      const std::string transaction = ReadTransaction(*file);
      const CQuorvel control(TablesHost(*folder));
      control.LoadTables();
      const std::string result = control.CalcTaxes(transaction);
      std::fwrite(result.data(), 1, result.size(), stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    };
  });
}

}  // namespace quorvel::cli

// quorvel: load reference tables and calculate sales tax from the command line.
#include <iostream>

#include "commands.hpp"

namespace quorvel::cli {

std::shared_ptr<HostPage> TablesHost(const std::string& folder) {
  return folder.empty() ? MakeMemoryHost(ExampleTables()) : MakeFolderHost(folder);
}

}  // namespace quorvel::cli

int main(int argc, char** argv) {
  CLI::App app{"quorvel: sales-tax calculation from rowset documents", "quorvel"};
  app.require_subcommand(1);
  quorvel::cli::Action run;
  quorvel::cli::AddTablesCommand(app, run);
  quorvel::cli::AddCalcCommand(app, run);
  quorvel::cli::AddBatchCommand(app, run);
#ifdef QUORVEL_WITH_SERVICE
  quorvel::cli::AddServeCommand(app, run);
#endif
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? 0 : 2;
  }
  try {
    return run();
  } catch (const quorvel::Error& error) {
    std::cerr << "quorvel: error " << error.number() << ": " << error.description() << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "quorvel: " << error.what() << "\n";
    return 1;
  }
}

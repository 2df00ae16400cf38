// The subcommands of the quorvel command line.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "quorvel/quorvel.hpp"

namespace quorvel::cli {

// The six example islands built into the tool.
std::map<std::string, std::string, std::less<>> ExampleTables();

// The host page of `--tables DIR`, or the built-in example tables when `folder` is empty.
std::shared_ptr<HostPage> TablesHost(const std::string& folder);

// Each Add... registers a subcommand on `app`; `run` is set to its action, which returns the
// process's exit status.
using Action = std::function<int()>;
void AddTablesCommand(CLI::App& app, Action& run);
void AddCalcCommand(CLI::App& app, Action& run);
void AddBatchCommand(CLI::App& app, Action& run);
void AddServeCommand(CLI::App& app, Action& run);  // when built with service/

}  // namespace quorvel::cli

// quorvel: load reference tables and calculate sales tax from the command line.
//
// This is the one file that knows the argument parser (CLI11, slow to compile: keep it to one
// file). It declares every command and its options, fills the command's plain options
// (commands.hpp) and runs it. Exit status: 0 done, 1 a failure, 2 a usage error.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <csignal>
#include <iterator>
#include <new>
#include <string>
#include <string_view>

#include "commands.hpp"
#include "interruption.hpp"
#include "quorvel/quorvel.hpp"
#ifdef QUORVEL_WITH_SERVICE
#include "serve.hpp"
#include "tables_source.hpp"
#endif
#include "standard_output.hpp"
#include "usage_error.hpp"

namespace quorvel::cli {
namespace {

// An empty folder name is mostly an unset shell variable: an error, never "use the default".
const CLI::Validator kNotEmpty(
    [](std::string& value) { return value.empty() ? std::string("must not be empty") : std::string(); }, "");

const CLI::Validator kJobs(
    [](std::string& value) {
      unsigned jobs = 0;
      const char* end = value.data() + value.size();
      const auto [stop, error] = std::from_chars(value.data(), end, jobs);
      if (error == std::errc() && stop == end && jobs >= 1 && jobs <= 1024) return std::string();
      return "must be a whole number from 1 to 1024, not \"" + value + "\"";
    },
    "");

#ifdef QUORVEL_WITH_SERVICE
// A whole number from `least` to `most`, e.g. "must be a whole number from 1 to 1024, not \"0\"".
CLI::Validator WholeNumberFrom(unsigned long long least, unsigned long long most) {
  return CLI::Validator(
      [least, most](std::string& value) {
        unsigned long long number = 0;
        const char* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, number);
        if (error == std::errc() && stop == end && number >= least && number <= most) return std::string();
        return "must be a whole number from " + std::to_string(least) + " to " + std::to_string(most) +
               ", not \"" + value + "\"";
      },
      "");
}

// A number of seconds within [least, most].
CLI::Validator SecondsFrom(double least, double most, std::string_view range) {
  return CLI::Validator(
      [least, most, range](std::string& value) {
        double seconds = 0;
        const char* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, seconds);
        if (error == std::errc() && stop == end && seconds >= least && seconds <= most) return std::string();
        return "must be from " + std::string(range) + " seconds, not \"" + value + "\"";
      },
      "");
}
#endif

const CLI::Validator kFormat(
    [](std::string& value) {
      return value == "results" || value == "jsonl" ? std::string() : "must be results or jsonl, not \"" + value + "\"";
    },
    "");

// "taxData.xml, TaxModelHdrData.xml, ... and TaxStatusData.xml": the files of a tables folder.
std::string IslandFileNames() {
  std::string names;
  for (std::size_t i = 0; i < std::size(kIslandIds); ++i) {
    if (i > 0) names += i + 1 == std::size(kIslandIds) ? " and " : ", ";
    names.append(kIslandIds[i]).append(".xml");
  }
  return names;
}

void AddTablesOption(CLI::App& command, std::string& folder) {
  command.add_option("--tables", folder,
                     "Folder holding " + IslandFileNames() + " (default: the built-in example tables)")
      ->check(kNotEmpty)
      ->type_name("DIR");
}

CLI::App* AddTables(CLI::App& app, TablesOptions& options) {
  CLI::App* command = app.add_subcommand("tables", "Load the six data islands and print the tables");
  AddTablesOption(*command, options.tables);
  return command;
}

CLI::App* AddCalc(CLI::App& app, CalcOptions& options) {
  CLI::App* command = app.add_subcommand("calc", "Calculate the taxes of one transaction document");
  AddTablesOption(*command, options.tables);
  command->add_option("FILE", options.file, "Transaction document; - or none for standard input")->type_name("");
  return command;
}

CLI::App* AddBatch(CLI::App& app, BatchOptions& options, std::string& format) {
  CLI::App* command = app.add_subcommand(
      "batch", "Calculate many transaction documents on worker threads sharing one set of tables");
  AddTablesOption(*command, options.tables);
  command->add_option("-j,--jobs", options.jobs, "Worker threads, 1 to 1024 (default: one per core)")
      ->check(kJobs)
      ->type_name("N");
  command->add_option("--out", options.out,
                      "Write each result to DIR/<name>.result.xml, and each failure to DIR/<name>.error.json, "
                      "instead of standard output")
      ->check(kNotEmpty)
      ->type_name("DIR");
  command->add_option("--format", format,
                      "Standard output: results (each result and a line feed) or jsonl (one JSON object "
                      "per input, in input order)")
      ->check(kFormat)
      ->type_name("results|jsonl");
  command->add_flag("-q,--quiet", options.quiet, "No progress bar and no summary");
  command->add_flag("-r,--recursive", options.recursive, "Look for *.xml in the sub-folders of folders too");
  command->add_flag("-0,--null", options.nullSeparated, "With -: the file names are separated by NUL bytes");
  command->add_option("FILE", options.inputs,
                      "Transaction documents; a folder stands for its *.xml files in name order, - for "
                      "a list of file names on standard input, one a line")
      ->required()
      ->type_name("");
  return command;
}

#ifdef QUORVEL_WITH_SERVICE
CLI::App* AddServe(CLI::App& app, service::ServeOptions& options) {
  CLI::App* command = app.add_subcommand("serve", "Answer tax calculations over HTTP");
  command->add_option("--tables", options.tablesFolder,
                      "Folder holding the six data islands, read again on reload (default: the built-in "
                      "example tables)")
      ->check(kNotEmpty)
      ->type_name("DIR");
  command->add_option("--listen", options.listen, "HOST:PORT to listen on; port 0 picks a free one")
      ->capture_default_str();
  using service::kServeBounds;
  command->add_option("--threads", options.threads,
                      "Threads serving requests, 1 to " + std::to_string(kServeBounds.threads) +
                          " (default: one per processor)")
      ->check(WholeNumberFrom(1, kServeBounds.threads))
      ->type_name("N");
  command->add_option("--max-body", options.maxBody,
                      "Largest request body in bytes, 1 to " + std::to_string(kServeBounds.bodyBytes))
      ->check(WholeNumberFrom(1, kServeBounds.bodyBytes))
      ->capture_default_str();
  command->add_option("--max-connections", options.maxConnections,
                      "Connections served at once, 1 to " + std::to_string(kServeBounds.connections) +
                          " (lowered to what the descriptor limit allows)")
      ->check(WholeNumberFrom(1, kServeBounds.connections))
      ->capture_default_str();
  const auto seconds =
      SecondsFrom(kServeBounds.leastSeconds, kServeBounds.mostSeconds, kServeBounds.secondsText);
  command->add_option("--read-timeout", options.readTimeoutSeconds,
                      "Seconds allowed to send one whole request, " + std::string(kServeBounds.secondsText))
      ->check(seconds)
      ->capture_default_str();
  command->add_option("--drain-seconds", options.drainSeconds,
                      "Seconds that requests in flight get to finish after SIGTERM or SIGINT, " +
                          std::string(kServeBounds.secondsText))
      ->check(seconds)
      ->capture_default_str();
  command->add_option("--admin-token-file", options.adminTokenFile,
                      "File holding the bearer token that allows POST /v1/tables/reload")
      ->check(kNotEmpty);
  command->add_flag("--access-log", options.accessLog, "Log one line per request");
  return command;
}
#endif

// CLI11 takes an unknown command for a stray argument: name it plainly instead.
void RequireKnownCommand(const CLI::App& app, int argc, char** argv) {
  std::string names;
  bool known = false;
  const char* first = nullptr;  // the first argument that is no option: the command
  for (int i = 1; i < argc && first == nullptr; ++i) {
    if (!std::string_view(argv[i]).starts_with("-")) first = argv[i];
  }
  for (const CLI::App* command : app.get_subcommands({})) {
    names += (names.empty() ? "" : ", ") + command->get_name();
    known |= first != nullptr && command->get_name() == first;
  }
  if (first != nullptr && !known) {
    throw UsageError("unknown command \"" + std::string(first) + "\"; the commands are " + names);
  }
  if (first != nullptr) return;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h" || argument == "--help-all" || argument == "--version") return;
  }
  throw UsageError("a command is required: " + names);
}

// --help and --version print to standard output (a failure to write them is reported); every
// other parse error is a usage error.
int AnswerParseError(const CLI::App& app, const CLI::ParseError& error) {
  if (error.get_exit_code() != 0) throw UsageError(error.what());
  const std::string name = error.get_name();
  if (name == "CallForVersion") {
    WriteToStandardOutput(std::string(error.what()) + "\n");
  } else {
    WriteToStandardOutput(app.help("", name == "CallForAllHelp" ? CLI::AppFormatMode::All : CLI::AppFormatMode::Normal));
  }
  FlushStandardOutput();
  return 0;
}

int Run(int argc, char** argv) {
  CLI::App app{"quorvel: sales-tax calculation from rowset documents", "quorvel"};
  app.set_version_flag("--version", std::string("quorvel ") + Version());
  app.set_help_all_flag("--help-all", "Print the help of every command and exit");
  app.require_subcommand(1);
  TablesOptions tables;
  CalcOptions calc;
  BatchOptions batch;
  std::string batchFormat = "results";
  const CLI::App* tablesCommand = AddTables(app, tables);
  const CLI::App* calcCommand = AddCalc(app, calc);
  const CLI::App* batchCommand = AddBatch(app, batch, batchFormat);
#ifdef QUORVEL_WITH_SERVICE
  service::ServeOptions serve;
  const CLI::App* serveCommand = AddServe(app, serve);
#endif
  try {
    RequireKnownCommand(app, argc, argv);
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return AnswerParseError(app, error);
  }
  if (tablesCommand->parsed()) return RunTables(tables);
  if (calcCommand->parsed()) return RunCalc(calc);
  if (batchCommand->parsed()) {
    batch.format = batchFormat == "jsonl" ? BatchFormat::kJsonLines : BatchFormat::kResults;
    for (int i = 0; i < argc; ++i) batch.command += (i == 0 ? "" : " ") + std::string(argv[i]);
    return RunBatch(batch);
  }
#ifdef QUORVEL_WITH_SERVICE
  if (serveCommand->parsed()) return service::Serve(serve, ExampleTables());
#endif
  throw UsageError("a command is required");
}

// Written without allocating: there may be no memory left for a message.
void ReportOutOfMemory() {
  constexpr std::string_view message = "quorvel: error 7: out of memory\n";
  static_assert(quorvel::errors::kOutOfMemory == 7);
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, message.data(), message.size());
}

}  // namespace
}  // namespace quorvel::cli

int main(int argc, char** argv) {
  // Past a file size limit, a write fails with EFBIG and is reported, instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return quorvel::cli::Run(argc, argv);
  } catch (const quorvel::cli::Interrupted& interrupted) {
    std::fprintf(stderr, "quorvel: stopped by signal %d; the documents in hand were finished\n", interrupted.signal);
    quorvel::cli::EndBySignal(interrupted.signal);
  } catch (const quorvel::cli::UsageError& error) {
    std::fprintf(stderr, "quorvel: %s\nRun 'quorvel --help' for the commands and options.\n", error.what());
    return 2;
  } catch (const quorvel::Error& error) {
    std::fprintf(stderr, "quorvel: error %d: %s\n", error.number(), error.description().c_str());
    return 1;
  } catch (const std::bad_alloc&) {
    quorvel::cli::ReportOutOfMemory();
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorvel: %s\n", error.what());
    return 1;
  }
}

// `quorvel batch`: calculate many transactions on worker threads that share one set of reference
// tables. Each result is exactly what `quorvel calc` prints for the same file; a transaction that
// fails is reported and the others go on.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "commands.hpp"
#include "ordered_outcomes.hpp"
#include "progress_bar.hpp"

namespace quorvel::cli {
namespace {

namespace fs = std::filesystem;

struct BatchOptions {
  std::string tables;               // folder of the six islands; empty: the built-in examples
  unsigned jobs = 0;                // worker threads; 0: one per core
  std::string out;                  // folder for <name>.result.xml; empty: standard output
  std::vector<std::string> inputs;  // transaction files and folders
};

// The transaction files of `inputs` in order; a folder stands for its *.xml files by name.
std::vector<fs::path> ExpandInputs(const std::vector<std::string>& inputs) {
  std::vector<fs::path> files;
  for (const std::string& input : inputs) {
    if (!fs::is_directory(input)) {
      files.emplace_back(input);  // a file that cannot be read fails on its own, later
      continue;
    }
    std::vector<fs::path> inFolder;
    for (const fs::directory_entry& entry : fs::directory_iterator(input)) {
      if (entry.path().extension() == ".xml" && !entry.is_directory()) inFolder.push_back(entry.path());
    }
    std::sort(inFolder.begin(), inFolder.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  return files;
}

// Where the result of `file` goes under --out: <name>.result.xml, name being the file's stem.
fs::path ResultPath(const fs::path& outFolder, const fs::path& file) {
  return outFolder / (file.stem().string() + ".result.xml");
}

// Two inputs whose results would overwrite each other cannot be calculated into one folder.
void RequireDistinctResultNames(const std::vector<fs::path>& files) {
  std::map<fs::path, const fs::path*> seen;
  for (const fs::path& file : files) {
    const auto [earlier, added] = seen.emplace(ResultPath("", file), &file);
    if (!added) {
      throw std::runtime_error("\"" + earlier->second->string() + "\" and \"" + file.string() +
                               "\" would both write " + earlier->first.string());
    }
  }
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the file");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write \"" + file.string() + "\"");
}

// Calculates one transaction file; with an output folder the result is written there at once.
Outcome Calculate(const ReferenceTables& tables, const fs::path& file, const std::string& outFolder) {
  try {
    std::string result = CalculateTaxes(tables, ReadFile(file));
    if (outFolder.empty()) return {false, std::move(result)};
    WriteFile(ResultPath(outFolder, file), result);
    return {false, {}};
  } catch (const Error& error) {
    return {true, "error " + std::to_string(error.number()) + ": " + error.description()};
  } catch (const std::exception& error) {
    return {true, error.what()};
  }
}

int RunBatch(const BatchOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  const std::vector<fs::path> files = ExpandInputs(options.inputs);
  if (!options.out.empty()) {
    RequireDistinctResultNames(files);
    fs::create_directories(options.out);
  }
  const std::shared_ptr<const ReferenceTables> tables = LoadReferenceTables(*TablesHost(options.tables));

  const unsigned jobs = options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  OrderedOutcomes outcomes(files.size(), std::max<std::size_t>(64, std::size_t{jobs} * 16));
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> workers;
  for (unsigned i = 0; i < std::min<std::size_t>(jobs, files.size()); ++i) {
    workers.emplace_back([&] {
      for (std::size_t index = next++; index < files.size(); index = next++) {
        outcomes.WaitForRoom(index);
        outcomes.Put(index, Calculate(*tables, files[index], options.out));
      }
    });
  }

  // The results in input order, the errors with their file names, the progress as it goes.
  ProgressBar progress(files.size());
  std::size_t failures = 0;
  bool outputFailed = false;
  for (std::size_t index = 0; index < files.size(); ++index) {
    const Outcome outcome = outcomes.TakeNext();
    if (outcome.failed) {
      ++failures;
      progress.Clear();
      std::fprintf(stderr, "quorvel: %s: %s\n", files[index].string().c_str(), outcome.text.c_str());
    } else if (options.out.empty()) {
      outputFailed |= std::fwrite(outcome.text.data(), 1, outcome.text.size(), stdout) != outcome.text.size();
      outputFailed |= std::fputc('\n', stdout) == EOF;
    }
    progress.Show(index + 1);
  }
  for (std::thread& worker : workers) worker.join();
  outputFailed |= std::fflush(stdout) != 0;
  progress.Clear();

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "batch: %zu transactions, %zu failed, %.3f s, %.1f transactions/s\n",
               files.size(), failures, seconds,
               seconds > 0 ? static_cast<double>(files.size()) / seconds : 0.0);
  if (outputFailed) std::fprintf(stderr, "quorvel: cannot write the results to standard output\n");
  return failures == 0 && !outputFailed ? 0 : 1;
}

}  // namespace

void AddBatchCommand(CLI::App& app, Action& run) {
  auto* command = app.add_subcommand(
      "batch", "Calculate many transaction documents on worker threads sharing one set of tables");
  auto options = std::make_shared<BatchOptions>();
  command->add_option("--tables", options->tables,
                      "Folder holding the six data islands (default: the built-in example tables)");
  command->add_option("--jobs,-j", options->jobs, "Worker threads (default: one per core)")
      ->check(CLI::PositiveNumber);
  command->add_option("--out", options->out,
                      "Write each result to DIR/<name>.result.xml instead of standard output");
  command->add_option("files", options->inputs,
                      "Transaction documents; a folder stands for its *.xml files in name order")
      ->required();
  command->callback([&run, options] { run = [options] { return RunBatch(*options); }; });
}

}  // namespace quorvel::cli

// `quorvel batch`: calculate many transactions on worker threads that share one set of reference
// tables. Each result is exactly what `quorvel calc` prints for the same file; a transaction that
// fails, a document refused as not well-formed XML included, is reported and the others go on.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands.hpp"
#include "interruption.hpp"
#include "json_lines.hpp"
#include "ordered_outcomes.hpp"
#include "progress_bar.hpp"
#include "quorvel/batch.hpp"
#include "quorvel/quorvel.hpp"
#include "standard_output.hpp"
#include "tables_source.hpp"
#include "usage_error.hpp"
#include "worker_threads.hpp"

namespace quorvel::cli {
namespace {

using batch::InputFile;
using batch::ResultFolder;

constexpr unsigned kMaxJobs = 1024;

void Fail(Outcome& outcome, int number, std::string description) {
  outcome.failed = true;
  outcome.number = number;
  outcome.text = std::move(description);
}

// Calculates one transaction, and under --out records it at once. Never throws: whatever goes
// wrong is the transaction's failure.
Outcome Calculate(const ReferenceTables& tables, const InputFile& file, const ResultFolder* folder) {
  Outcome outcome;
  try {
    outcome = batch::CalculateTransaction(tables, ReadWholeFile(file.path, file.kinds));
    if (folder != nullptr) folder->Record(file.path, outcome);
  } catch (const Error& error) {
    Fail(outcome, error.number(), error.description());
    try {
      if (folder != nullptr) folder->Record(file.path, outcome);
    } catch (const std::exception&) {
      // reported as the transaction's error below anyway
    }
  } catch (const std::bad_alloc&) {
    Fail(outcome, quorvel::errors::kOutOfMemory, "out of memory");  // short enough to need no memory
  } catch (const std::length_error&) {
    Fail(outcome, quorvel::errors::kOutOfMemory, "out of memory");
  }
  return outcome;
}

// Whether the progress bar is drawn: on a terminal, unless the results go to that same terminal.
bool ShowsProgress(const BatchOptions& options) {
  if (options.quiet || isatty(STDERR_FILENO) != 1) return false;
  if (!options.out.empty() || isatty(STDOUT_FILENO) != 1) return true;
  struct stat out {}, err {};
  return fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 && out.st_rdev != err.st_rdev;
}

unsigned WorkerCount(const BatchOptions& options, std::size_t files) {
  if (options.jobs > kMaxJobs) throw UsageError("--jobs must be a whole number from 1 to 1024");
  const unsigned jobs = options.jobs != 0 ? options.jobs : std::clamp(std::thread::hardware_concurrency(), 1u, kMaxJobs);
  return static_cast<unsigned>(std::min<std::size_t>(jobs, files));
}

void WarnAboutThreads(const WorkerThreads& workers, unsigned wanted) {
  if (workers.startFailure().empty()) return;
  std::fprintf(stderr, "quorvel: warning: %zu of %u worker threads started (%s)%s\n", workers.size(), wanted,
               workers.startFailure().c_str(), workers.size() == 0 ? "; calculating on the main thread" : "");
}

// Writes one outcome where it goes; returns whether the transaction failed.
bool Report(const BatchOptions& options, const InputFile& file, const Outcome& outcome, ProgressBar& progress) {
  if (outcome.failed) {
    progress.Clear();
    std::fprintf(stderr, "quorvel: %s: error %d: %s\n", file.path.c_str(), outcome.number, outcome.text.c_str());
  }
  if (options.format == BatchFormat::kJsonLines) {
    WriteToStandardOutput(outcome.failed ? ErrorLine(file.path, outcome.number, outcome.text)
                                         : ResultLine(file.path, outcome.text));
  } else if (!outcome.failed && options.out.empty()) {
    WriteToStandardOutput(outcome.text);
    WriteToStandardOutput("\n");
  }
  return outcome.failed;
}

void PrintSummary(std::size_t count, std::size_t failures, std::chrono::steady_clock::time_point start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "batch: %zu transaction%s, %zu failed, %.3f s, %.1f transactions/s\n", count,
               count == 1 ? "" : "s", failures, seconds, seconds > 0 ? static_cast<double>(count) / seconds : 0.0);
}

// The files of the arguments, and under --out the folder they go to, refused as usage errors.
std::vector<InputFile> ExpandInputs(const BatchOptions& options, std::optional<ResultFolder>& folder) {
  try {
    std::vector<InputFile> files = batch::ExpandInputs(options.inputs, {options.recursive, options.nullSeparated});
    if (!options.out.empty()) {
      folder.emplace(options.out);
      folder->RefuseClashes(files);
    }
    return files;
  } catch (const batch::InputsRefused& refused) {
    throw UsageError(refused.what());
  }
}

}  // namespace

int RunBatch(const BatchOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  if (options.format == BatchFormat::kJsonLines && !options.out.empty()) {
    throw UsageError("--format jsonl writes to standard output and cannot go with --out");
  }
  std::optional<ResultFolder> folder;
  const std::vector<InputFile> files = ExpandInputs(options, folder);
  const std::shared_ptr<const ReferenceTables> tables = LoadTables(options.tables);
  std::optional<batch::FolderLock> lock;
  if (folder) {
    folder->Create();
    StopOnSignals();
    lock.emplace(folder->path(), options.command);
  }
  const ResultFolder* out = folder ? &*folder : nullptr;

  // Workers calculate in any order; the outcomes are taken here in input order. Once reporting
  // fails or a signal asks the run to stop, the workers skip what is left and the loop only
  // drains what they hand over.
  const unsigned wanted = WorkerCount(options, files.size());
  OrderedOutcomes outcomes(files.size(), std::max<std::size_t>(64, std::size_t{wanted} * 16));
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stopping{false};
  WorkerThreads workers(wanted, [&] {
    for (std::size_t index = next++; index < files.size(); index = next++) {
      outcomes.WaitForRoom(index);
      const bool skip = stopping.load() || StopSignal() != 0;
      outcomes.Put(index, skip ? Outcome{} : Calculate(*tables, files[index], out));
    }
  });
  WarnAboutThreads(workers, wanted);

  ProgressBar progress(files.size(), ShowsProgress(options));
  std::size_t failures = 0;
  std::exception_ptr reportFailure;
  for (std::size_t index = 0; index < files.size(); ++index) {
    const bool onThisThread = workers.size() == 0;
    if (onThisThread && (reportFailure || StopSignal() != 0)) break;
    const Outcome outcome = onThisThread ? Calculate(*tables, files[index], out) : outcomes.TakeNext();
    if (reportFailure || StopSignal() != 0) continue;
    try {
      failures += Report(options, files[index], outcome, progress) ? 1 : 0;
      progress.Show(index + 1);
    } catch (...) {
      reportFailure = std::current_exception();
      stopping.store(true);
    }
  }
  workers.JoinAll();
  progress.Clear();
  if (const int signal = StopSignal(); signal != 0) throw Interrupted{signal};
  if (reportFailure) std::rethrow_exception(reportFailure);
  FlushStandardOutput();
  if (!options.quiet) PrintSummary(files.size(), failures, start);
  return failures == 0 ? 0 : 1;
}

}  // namespace quorvel::cli

// The commands of the quorvel command line: each one's options as plain values and the function
// that runs it, returning the process's exit status. main.cpp declares them to the argument
// parser; nothing here depends on it, so a new command is a struct, a function and a few lines
// there.
#pragma once

#include <string>
#include <vector>

namespace quorvel::cli {

// `quorvel tables`: load the six islands and print the tables.
struct TablesOptions {
  std::string tables;  // folder of the six islands; empty: the built-in example tables
};
int RunTables(const TablesOptions& options);

// `quorvel calc`: calculate one transaction document.
struct CalcOptions {
  std::string tables;  // as for `tables`
  std::string file;    // the document; empty or "-": standard input
};
int RunCalc(const CalcOptions& options);

// How `batch` writes results to standard output.
enum class BatchFormat {
  kResults,    // each result as `calc` prints it, followed by a line feed; errors on standard error
  kJsonLines,  // one JSON object per input, in input order
};

// `quorvel batch`: calculate many transaction documents on worker threads.
struct BatchOptions {
  std::string tables;               // as for `tables`
  unsigned jobs = 0;                // worker threads, 1 to 1024; 0: one per core
  std::string out;                  // folder for the results; empty: standard output
  BatchFormat format = BatchFormat::kResults;
  bool quiet = false;               // no progress bar, no summary
  bool recursive = false;           // folders: descend into sub-folders
  bool nullSeparated = false;       // `-`: the list on standard input is NUL-separated
  std::vector<std::string> inputs;  // files, folders, or "-" for a list on standard input
  std::string command;              // the command line as given, written into the --out folder's lock
};
int RunBatch(const BatchOptions& options);

}  // namespace quorvel::cli

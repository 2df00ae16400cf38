// The files of a batch run, shared by `quorvel batch` and Python's re-rating so that both name,
// read, write and lock them alike: which files the arguments stand for, and the result folder
// (--out) with its <name>.result.xml or <name>.error.json per input.
//
// Nothing here installs a signal handler: a front-end decides what a signal does (the command
// line stops at a document boundary, Python raises KeyboardInterrupt).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/quorvel.hpp"

namespace quorvel::batch {

inline constexpr int kCannotWrite = 2002;  // a result, an error record or standard output cannot be written

// Arguments that cannot make a run: a folder without transactions, "-" twice, inputs whose
// outputs would overwrite each other or an input. The command line reports it as a usage error.
class InputsRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One transaction file and how it may be read.
struct InputFile {
  std::string path;  // as named, or the folder joined with the name found in it
  FileKinds kinds;   // kAny when the user named it, kRegularOnly when found in a folder
};

// How folders are expanded and the list on standard input is read.
struct ExpandOptions {
  bool recursive = false;      // descend into sub-folders (never through links to folders)
  bool nullSeparated = false;  // the list on standard input is NUL-separated, not one a line
};

// The files of `arguments` in order. A folder stands for its *.xml files in name order, other
// than earlier results (*.result.xml) and entries that are no regular file (a dangling link is
// kept, so that reading it fails with its reason); "-" for the list of file names on standard
// input. Throws InputsRefused when a folder holds no transaction, or "-" is given twice;
// quorvel::Error (errors::kCannotRead) when a folder or the list cannot be read.
std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments, const ExpandOptions& options);

// What one transaction came to: its result (empty once written to a file), or an error.
struct Outcome {
  bool failed = false;
  int number = 0;        // when failed: the error number
  std::string text;      // the result, or when failed the error's description
};

// Calculates one transaction of a run. A document refused as not well-formed XML fails with
// errors::kDocumentRefused and the rule and where it was broken, where a single calculation
// answers "NOHEADER"; a well-formed document without a header row is still "NOHEADER". Throws
// quorvel::Error as CalculateTaxes does.
Outcome CalculateTransaction(const ReferenceTables& tables, std::string_view transaction);

// The result folder: for each input <name>.xml, <name>.result.xml when it was calculated, or
// <name>.error.json when it failed. Each file is written whole beside its place and renamed in,
// and only then is the other one removed, so that an input always has one of the two (or, when
// a new result could not be written, the earlier result beside the new error record).
class ResultFolder {
 public:
  explicit ResultFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

  const std::filesystem::path& path() const { return folder_; }

  // Refuses (InputsRefused) inputs whose outputs would overwrite each other or another input.
  void RefuseClashes(const std::vector<InputFile>& inputs) const;

  // Creates the folder if it is not there; throws quorvel::Error (kCannotWrite).
  void Create() const;

  // Records `outcome` of `input`: its result, or its error record. A result that cannot be
  // written fails the transaction (the outcome then holds that error) and keeps the earlier
  // result; an error record that cannot be written is added to the outcome's description.
  // Never throws quorvel::Error.
  void Record(const std::string& input, Outcome& outcome) const;

  std::filesystem::path ResultPath(const std::string& input) const;
  std::filesystem::path ErrorPath(const std::string& input) const;

 private:
  void WriteResult(const std::string& input, std::string_view result) const;
  void WriteError(const std::string& input, int number, std::string_view description, bool keepResult) const;

  std::filesystem::path folder_;
};

// An advisory lock (flock) on the file .quorvel.lock in a result folder, held while it lives, so
// that two runs never write one folder at once. The lock file names the holder (its process id
// and command) and is removed when the lock is released; a process killed outright leaves it,
// unlocked, for the next run to take.
class FolderLock {
 public:
  // Takes the lock at once or throws quorvel::Error (kCannotWrite) naming the run that holds it.
  FolderLock(const std::filesystem::path& folder, std::string_view command);
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

 private:
  std::filesystem::path folder_;
  int fd_;
};

inline constexpr std::string_view kLockFileName = ".quorvel.lock";

// {"file":…,"number":…,"description":…} and a line feed: the content of <name>.error.json.
// Texts that are not valid UTF-8 are written with U+FFFD in place of the bad bytes.
std::string ErrorRecord(std::string_view file, int number, std::string_view description);

// Removes the temporary files being written at this moment. Async-signal-safe: for a front-end's
// signal handler that ends the process.
void RemoveTemporaryFiles() noexcept;

}  // namespace quorvel::batch

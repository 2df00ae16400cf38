// Which transaction files the arguments of a batch run stand for.
#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "quorvel/batch.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel::batch {
namespace {

namespace fs = std::filesystem;

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool IsTransactionName(const std::string& name) {
  return EndsWith(name, ".xml") && !EndsWith(name, ".result.xml");
}

// A regular file, or a link that cannot be followed (a loop, a dangling link): the latter is
// kept so that reading it fails with its reason instead of the file silently going missing.
bool IsTransactionEntry(const fs::directory_entry& entry) {
  std::error_code error;
  if (!entry.is_symlink(error) && !error) return entry.is_regular_file(error) || error;  // the type the listing gave
  const fs::file_status target = fs::status(entry.path(), error);
  return error || fs::is_regular_file(target);
}

[[noreturn]] void CannotReadFolder(const std::string& folder, const std::error_code& error) {
  throw Error(quorvel::errors::kCannotRead, "cannot read the folder \"" + folder + "\": " + error.message());
}

// The transaction files in `folder`, in name order (by path below it, when recursive).
template <typename Iterator>
std::vector<fs::path> TransactionsIn(const std::string& folder) {
  std::error_code error;
  std::vector<fs::path> found;
  for (Iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    if (IsTransactionName(entry->path().filename().string()) && IsTransactionEntry(*entry)) {
      found.push_back(entry->path());
    }
  }
  if (error) CannotReadFolder(folder, error);
  std::sort(found.begin(), found.end());
  return found;
}

void AddFolder(const std::string& folder, const ExpandOptions& options, std::vector<InputFile>& files) {
  const std::vector<fs::path> found = options.recursive ? TransactionsIn<fs::recursive_directory_iterator>(folder)
                                                        : TransactionsIn<fs::directory_iterator>(folder);
  if (found.empty()) {
    throw InputsRefused("the folder \"" + folder + "\" holds no transaction document (*.xml)" +
                     (options.recursive ? "" : "; --recursive looks in its sub-folders"));
  }
  for (const fs::path& path : found) files.push_back({path.string(), FileKinds::kRegularOnly});
}

// The file names listed on standard input, one a line or NUL-separated; empty entries are skipped.
void AddListedFiles(const ExpandOptions& options, std::vector<InputFile>& files) {
  std::string list;
  try {
    list = ReadStandardInput();
  } catch (const Error& error) {
    throw Error(error.number(), "the list of files on standard input: " + error.description());
  }
  const char separator = options.nullSeparated ? '\0' : '\n';
  std::size_t start = 0;
  while (start < list.size()) {
    const std::size_t end = std::min(list.find(separator, start), list.size());
    if (end > start) files.push_back({list.substr(start, end - start), FileKinds::kAny});
    start = end + 1;
  }
}

}  // namespace

std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments, const ExpandOptions& options) {
  if (std::count(arguments.begin(), arguments.end(), "-") > 1) {
    throw InputsRefused("\"-\" (the list of files on standard input) may be given once");
  }
  std::vector<InputFile> files;
  for (const std::string& argument : arguments) {
    std::error_code error;
    if (argument == "-") {
      AddListedFiles(options, files);
    } else if (fs::is_directory(argument, error)) {
      AddFolder(argument, options, files);
    } else {
      files.push_back({argument, FileKinds::kAny});  // one that cannot be read fails on its own
    }
  }
  return files;
}

}  // namespace quorvel::batch

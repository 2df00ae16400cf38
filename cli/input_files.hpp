// The transaction files a batch calculates, from its arguments.
#pragma once

#include <string>
#include <vector>

#include "quorvel/quorvel.hpp"

namespace quorvel::cli {

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
// than earlier results (*.result.xml) and entries that are no regular file; "-" for the list of
// file names on standard input. Throws UsageError when a folder holds no transaction, or "-" is
// given twice; quorvel::Error (errors::kCannotRead) when a folder or the list cannot be read.
std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments, const ExpandOptions& options);

}  // namespace quorvel::cli

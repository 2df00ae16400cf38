// Reads a whole file (or standard input) into memory, telling a file that cannot be read from an
// empty one.
#pragma once

#include <string>

namespace quorvel::cli {

// Which kinds of file ReadFile accepts.
enum class FileKinds {
  kAny,          // whatever the user named: a pipe, /dev/stdin, a regular file
  kRegularOnly,  // found in a folder: a FIFO or device there is refused, never waited on
};

// The whole content of `path`; throws quorvel::Error (errors::kCannotRead, "cannot read: why").
std::string ReadFile(const std::string& path, FileKinds kinds);

// The whole of standard input; throws as ReadFile does (a closed standard input included).
std::string ReadStandardInput();

}  // namespace quorvel::cli

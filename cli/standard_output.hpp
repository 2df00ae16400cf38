// Writing to standard output, where a failure (a full disk, a closed pipe's reader gone) is an
// error and never passes for success.
#pragma once

#include <string_view>

namespace quorvel::cli {

// Writes `text`; throws quorvel::Error (errors::kCannotWrite) when it cannot.
void WriteToStandardOutput(std::string_view text);

// Flushes what is buffered; throws as WriteToStandardOutput does.
void FlushStandardOutput();

}  // namespace quorvel::cli

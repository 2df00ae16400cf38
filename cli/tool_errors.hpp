// Error numbers of the command line's own failures, beside the engine's (quorvel::errors, where
// kCannotRead, a file that cannot be read, comes from).
#pragma once

#include "quorvel/batch.hpp"

namespace quorvel::cli::errors {

// A result, an error record or standard output cannot be written.
inline constexpr int kCannotWrite = batch::kCannotWrite;

}  // namespace quorvel::cli::errors

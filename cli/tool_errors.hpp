// Error numbers of the command line's own failures, beside the engine's (quorvel::errors, where
// kCannotRead, a file that cannot be read, comes from).
#pragma once

#include "quorvel/batch.hpp"

namespace quorvel::cli::errors {

inline constexpr int kCannotWrite = batch::kCannotWrite;  // a result, an error record or standard output cannot be written

}  // namespace quorvel::cli::errors

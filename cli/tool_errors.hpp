// Error numbers of the command line's own failures, beside the engine's (quorvel::errors).
#pragma once

namespace quorvel::cli::errors {

inline constexpr int kCannotRead = 2001;   // a transaction, a list of files or a folder cannot be read
inline constexpr int kCannotWrite = 2002;  // a result, an error record or standard output cannot be written

}  // namespace quorvel::cli::errors

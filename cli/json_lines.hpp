// The JSON lines of `batch --format jsonl`, one per input (the record of a failed transaction
// under `--out` is quorvel::batch::ErrorRecord). Texts that are not valid UTF-8 are written with
// U+FFFD in place of the bad bytes.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::cli {

// {"file":…,"result":…} and a line feed.
std::string ResultLine(std::string_view file, std::string_view result);

// {"file":…,"error":{"number":…,"description":…}} and a line feed.
std::string ErrorLine(std::string_view file, int number, std::string_view description);

}  // namespace quorvel::cli

// The JSON that batch writes: a line per input for `--format jsonl`, and the record of a failed
// transaction under `--out`. Texts that are not valid UTF-8 are written with U+FFFD in place of
// the bad bytes.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::cli {

// {"file":…,"result":…} and a line feed.
std::string ResultLine(std::string_view file, std::string_view result);

// {"file":…,"error":{"number":…,"description":…}} and a line feed.
std::string ErrorLine(std::string_view file, int number, std::string_view description);

// {"file":…,"number":…,"description":…} and a line feed: the content of <name>.error.json.
std::string ErrorRecord(std::string_view file, int number, std::string_view description);

}  // namespace quorvel::cli

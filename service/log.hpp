// The service's log: whole lines on standard error, each stamped with the UTC time.
#pragma once

#include <string_view>

namespace quorvel::service {

// Writes one line; safe from any thread.
void LogLine(std::string_view text);

}  // namespace quorvel::service

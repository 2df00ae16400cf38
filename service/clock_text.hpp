// A moment as ISO 8601 text in UTC, to the second: 2026-12-08T11:04:05Z.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

namespace quorvel::service {

inline std::string UtcTimestamp(std::chrono::system_clock::time_point moment) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return std::string(text, length);
}

}  // namespace quorvel::service

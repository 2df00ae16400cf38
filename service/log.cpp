#include "log.hpp"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "clock_text.hpp"

namespace quorvel::service {

void LogLine(std::string_view text) {
  static std::mutex mutex;
  std::string line = UtcTimestamp(std::chrono::system_clock::now());
  line.push_back(' ');
  line.append(text).push_back('\n');
  const std::scoped_lock lock(mutex);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace quorvel::service

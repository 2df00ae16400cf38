// `quorvel serve`: the engine as an HTTP tax service.
#pragma once

#include <functional>
#include <map>
#include <cstddef>
#include <string>

namespace quorvel::service {

// The service's settings, as the command line gives them.
struct ServeOptions {
  std::string tablesFolder;          // empty: the built-in example tables
  std::string listen = "127.0.0.1:8080";
  unsigned threads = 0;              // 0: one per processor
  std::size_t maxBody = 16 * 1024 * 1024;
  std::size_t maxConnections = 1024;
  double readTimeoutSeconds = 30;    // for one whole request
  double drainSeconds = 10;
  std::string adminTokenFile;        // empty: reloading over HTTP is closed
  bool accessLog = false;
};

// The values the settings may take; others are refused before anything starts.
struct ServeBounds {
  unsigned threads = 1024;
  std::size_t bodyBytes = std::size_t{1} << 30;  // bodies are held in memory whole
  std::size_t connections = 1'000'000;
  double leastSeconds = 0.001;  // timeouts are kept in whole milliseconds
  double mostSeconds = 86400;
  const char* secondsText = "0.001 to 86400";
};
inline constexpr ServeBounds kServeBounds;

// Island identifier -> island text.
using Islands = std::map<std::string, std::string, std::less<>>;

// Loads the tables, listens and serves until SIGTERM or SIGINT has drained the requests in flight.
// Returns the exit status: 0 after a complete drain, 1 when the drain deadline passed. Throws
// quorvel::Error when the tables cannot be loaded and std::runtime_error for bad settings, both
// before listening. `builtInIslands` are the tables served without a tables folder.
int Serve(const ServeOptions& options, const Islands& builtInIslands);

}  // namespace quorvel::service

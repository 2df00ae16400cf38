// The HTTP transport: listening, connections, limits, timeouts, signals and draining.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "handler.hpp"
#include "metrics.hpp"

namespace quorvel::service {

struct ServerSettings {
  std::string listen;  // HOST:PORT; port 0 picks a free one
  unsigned threads = 1;
  std::size_t maxBody = 0;
  std::size_t maxConnections = 0;
  std::chrono::milliseconds readTimeout{0};
  std::chrono::milliseconds drainTime{0};
  bool accessLog = false;
  bool reloadable = false;  // whether SIGHUP may reload the tables
};

// Listens, calls `listening` with the real address ("127.0.0.1:8080"), and serves until SIGTERM
// or SIGINT has drained the requests in flight. Returns the exit status: 0 when they all
// finished, 1 when the drain time ran out first. Throws std::runtime_error when it cannot listen.
int RunServer(const ServerSettings& settings, Handler& handler, Metrics& metrics,
              const std::function<void(const std::string& address)>& listening);

}  // namespace quorvel::service

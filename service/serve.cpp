#include "serve.hpp"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "descriptor_limit.hpp"
#include "digest.hpp"
#include "handler.hpp"
#include "log.hpp"
#include "metrics.hpp"
#include "server.hpp"
#include "table_store.hpp"

namespace quorvel::service {
namespace {

// The token's digest; its trailing line break is not part of it. An empty or unreadable file
// stops the start, so that reloading is never open to an empty token.
std::optional<Digest> ReadAdminToken(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::string token;
  try {
    token = ReadWholeFile(path, FileKinds::kAny);
  } catch (const Error& error) {
    // The reader's "cannot read: why", with the file named.
    const std::string& description = error.description();
    throw std::runtime_error("cannot read the admin token file \"" + path + "\"" +
                             description.substr(description.find(':')));
  }
  if (!token.empty() && token.back() == '\n') token.pop_back();
  if (!token.empty() && token.back() == '\r') token.pop_back();
  if (token.empty()) throw std::runtime_error("the admin token file \"" + path + "\" is empty");
  return Sha256({token});
}

std::chrono::milliseconds Seconds(double seconds, const char* option) {
  if (!(seconds >= kServeBounds.leastSeconds && seconds <= kServeBounds.mostSeconds)) {
    throw std::runtime_error(std::string(option) + " must be from " + kServeBounds.secondsText + " seconds");
  }
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

// The command line checks these bounds already; this guards other callers.
void CheckBounds(const ServeOptions& options) {
  const auto require = [](bool holds, const char* what) {
    if (!holds) throw std::runtime_error(std::string(what) + " is out of range");
  };
  require(options.threads <= kServeBounds.threads, "--threads");
  require(options.maxBody >= 1 && options.maxBody <= kServeBounds.bodyBytes, "--max-body");
  require(options.maxConnections >= 1 && options.maxConnections <= kServeBounds.connections,
          "--max-connections");
}

std::string StartupLine(const std::string& address, const TableSet& tables) {
  std::ostringstream line;
  line << "quorvel serve: listening on http://" << address << ", tables " << tables.version << " ("
       << tables.source << ": " << tables.rows.taxes << " taxes, " << tables.rows.taxModels
       << " tax models, " << tables.rows.taxGroups << " tax groups, " << tables.rows.taxStatuses
       << " tax statuses)";
  return line.str();
}

}  // namespace

int Serve(const ServeOptions& options, const Islands& builtInIslands) {
  CheckBounds(options);
  ServerSettings settings;
  settings.listen = options.listen;
  const unsigned processors = std::clamp(std::thread::hardware_concurrency(), 1u, kServeBounds.threads);
  settings.threads = options.threads > 0 ? options.threads : processors;
  settings.maxBody = options.maxBody;
  std::string lowered;
  settings.maxConnections = ConnectionsAllowed(options.maxConnections, RaiseDescriptorLimit(), lowered);
  settings.readTimeout = Seconds(options.readTimeoutSeconds, "--read-timeout");
  settings.drainTime = Seconds(options.drainSeconds, "--drain-seconds");
  settings.accessLog = options.accessLog;
  settings.reloadable = !options.tablesFolder.empty();
  const std::optional<Digest> adminToken = ReadAdminToken(options.adminTokenFile);

  TableStore tables(options.tablesFolder, LoadInitialTables(options.tablesFolder, builtInIslands));
  // Read once at start, for the tests of reloads that take long; never set in service.
  if (const char* file = std::getenv("QUORVEL_TEST_HOLD_RELOAD_WHILE")) tables.HoldReloadsWhileForTests(file);
  Metrics metrics;
  Handler handler(tables, metrics, adminToken);
  return RunServer(settings, handler, metrics, [&](const std::string& address) {
    LogLine(StartupLine(address, *tables.Current()));
    if (!lowered.empty()) LogLine(lowered);
  });
}

}  // namespace quorvel::service

#include "serve.hpp"

#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

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
  if (!(seconds > 0) || seconds > 86400) {
    throw std::runtime_error(std::string(option) + " must be more than 0 and at most 86400 seconds");
  }
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
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
  ServerSettings settings;
  settings.listen = options.listen;
  settings.threads = options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  settings.maxBody = options.maxBody;
  settings.maxConnections = options.maxConnections;
  if (settings.maxConnections == 0) throw std::runtime_error("--max-connections must be at least 1");
  settings.readTimeout = Seconds(options.readTimeoutSeconds, "--read-timeout");
  settings.drainTime = Seconds(options.drainSeconds, "--drain-seconds");
  settings.accessLog = options.accessLog;
  settings.reloadable = !options.tablesFolder.empty();
  const std::optional<Digest> adminToken = ReadAdminToken(options.adminTokenFile);

  TableStore tables(options.tablesFolder, LoadInitialTables(options.tablesFolder, builtInIslands));
  Metrics metrics;
  Handler handler(tables, metrics, adminToken);
  return RunServer(settings, handler, metrics, [&](const std::string& address) {
    LogLine(StartupLine(address, *tables.Current()));
  });
}

}  // namespace quorvel::service

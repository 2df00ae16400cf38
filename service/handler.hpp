// What the service answers to each request, apart from the HTTP transport (server.cpp).
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "digest.hpp"
#include "metrics.hpp"
#include "reloader.hpp"
#include "table_store.hpp"

namespace quorvel::service {

// A request as the handler needs it; the body is handed over.
struct Request {
  std::string_view method;
  std::string_view target;  // path and query
  std::string_view contentType;
  std::string_view contentEncoding;  // every Content-Encoding value, comma-separated
  std::string_view authorization;
  std::string body;
};

// An answer; `headers` come besides Content-Type and Content-Length.
struct Response {
  unsigned status = 200;
  std::string contentType;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

// The request path without its query.
std::string_view PathOf(std::string_view target);

class Handler {
 public:
  // `adminToken`: the digest of the reload token, none when reloading over HTTP is closed.
  Handler(TableStore& tables, Metrics& metrics, std::optional<Digest> adminToken);

  Response Handle(Request& request);

  // An authorised reload request for tables that can be reloaded. The server answers it with
  // ReloadAnswer once its loader thread has loaded; Handle would load on the calling thread.
  bool WantsReload(const Request& request) const;
  // The answer to a reload request: the tables loaded (200), or the load error (422).
  Response ReloadAnswer(const ReloadOutcome& outcome) const;

  // A problem+json answer for a request refused before it was read whole (413, 400, 431); an
  // answer for the calculation carries the tables' version like every other.
  Response Refuse(unsigned status, std::string_view target, std::string_view detail) const;

  // Reloads the tables (an authorised request or SIGHUP), logs and counts the outcome, and
  // rethrows a load failure.
  std::shared_ptr<const TableSet> Reload(std::string_view trigger);

  // From now on /readyz answers 503.
  void BeginDrain() { draining_ = true; }

 private:
  Response Calculate(const Request& request) const;
  Response DescribeTables() const { return Describe(*tables_.Current()); }
  static Response Describe(const TableSet& tables);
  Response ReloadRequest(const Request& request);
  Response Metrics() const;
  bool Authorised(std::string_view authorization) const;

  TableStore& tables_;
  service::Metrics& metrics_;
  std::optional<Digest> adminToken_;
  std::atomic<bool> draining_{false};
};

}  // namespace quorvel::service

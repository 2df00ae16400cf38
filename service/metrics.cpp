#include "metrics.hpp"

#include <sstream>

namespace quorvel::service {
namespace {

constexpr const char* kEndpointNames[] = {"calc",  "tables",  "reload", "healthz",
                                          "readyz", "metrics", "other"};

}  // namespace

Endpoint EndpointOf(std::string_view path) {
  if (path == "/v1/calc") return Endpoint::kCalc;
  if (path == "/v1/tables") return Endpoint::kTables;
  if (path == "/v1/tables/reload") return Endpoint::kReload;
  if (path == "/healthz") return Endpoint::kHealth;
  if (path == "/readyz") return Endpoint::kReady;
  if (path == "/metrics") return Endpoint::kMetrics;
  return Endpoint::kOther;
}

void Metrics::CountRequest(Endpoint endpoint, unsigned status, std::chrono::nanoseconds latency) {
  if (status >= kFirstStatus && status < kFirstStatus + kStatusCount) {
    requests_[static_cast<std::size_t>(endpoint)][status - kFirstStatus].fetch_add(
        1, std::memory_order_relaxed);
  }
  const double seconds = std::chrono::duration<double>(latency).count();
  std::size_t bucket = 0;
  while (bucket < kBucketSeconds.size() && seconds > kBucketSeconds[bucket]) ++bucket;
  latencyBuckets_[bucket].fetch_add(1, std::memory_order_relaxed);
  latencyCount_.fetch_add(1, std::memory_order_relaxed);
  latencyNanoseconds_.fetch_add(static_cast<std::uint64_t>(latency.count()), std::memory_order_relaxed);
}

void Metrics::CountReload(bool succeeded) {
  (succeeded ? reloadsSucceeded_ : reloadsFailed_).fetch_add(1, std::memory_order_relaxed);
}

std::string Metrics::Render(const TableSet& tables) const {
  std::ostringstream out;
  out << "# HELP quorvel_http_requests_total Requests answered, by endpoint and status.\n"
      << "# TYPE quorvel_http_requests_total counter\n";
  for (std::size_t endpoint = 0; endpoint < requests_.size(); ++endpoint) {
    for (unsigned index = 0; index < kStatusCount; ++index) {
      const std::uint64_t count = requests_[endpoint][index].load(std::memory_order_relaxed);
      if (count == 0) continue;
      out << "quorvel_http_requests_total{endpoint=\"" << kEndpointNames[endpoint] << "\",status=\""
          << index + kFirstStatus << "\"} " << count << "\n";
    }
  }
  out << "# HELP quorvel_http_request_duration_seconds Time from a request's header to its answer sent.\n"
      << "# TYPE quorvel_http_request_duration_seconds histogram\n";
  std::uint64_t cumulative = 0;
  for (std::size_t bucket = 0; bucket < kBucketSeconds.size(); ++bucket) {
    cumulative += latencyBuckets_[bucket].load(std::memory_order_relaxed);
    out << "quorvel_http_request_duration_seconds_bucket{le=\"" << kBucketSeconds[bucket] << "\"} "
        << cumulative << "\n";
  }
  const std::uint64_t count = latencyCount_.load(std::memory_order_relaxed);
  out << "quorvel_http_request_duration_seconds_bucket{le=\"+Inf\"} " << count << "\n"
      << "quorvel_http_request_duration_seconds_sum "
      << static_cast<double>(latencyNanoseconds_.load(std::memory_order_relaxed)) / 1e9 << "\n"
      << "quorvel_http_request_duration_seconds_count " << count << "\n"
      << "# HELP quorvel_http_requests_in_flight Requests received and not yet answered.\n"
      << "# TYPE quorvel_http_requests_in_flight gauge\n"
      << "quorvel_http_requests_in_flight " << inFlight_.load(std::memory_order_relaxed) << "\n"
      << "# HELP quorvel_table_reloads_total Reloads of the tables, by outcome.\n"
      << "# TYPE quorvel_table_reloads_total counter\n"
      << "quorvel_table_reloads_total{outcome=\"succeeded\"} " << reloadsSucceeded_.load() << "\n"
      << "quorvel_table_reloads_total{outcome=\"failed\"} " << reloadsFailed_.load() << "\n"
      << "# HELP quorvel_tables_info The tables in use.\n"
      << "# TYPE quorvel_tables_info gauge\n"
      << "quorvel_tables_info{version=\"" << tables.version << "\"} 1\n"
      << "# HELP quorvel_table_rows Rows of each table in use.\n"
      << "# TYPE quorvel_table_rows gauge\n"
      << "quorvel_table_rows{table=\"taxes\"} " << tables.rows.taxes << "\n"
      << "quorvel_table_rows{table=\"taxModels\"} " << tables.rows.taxModels << "\n"
      << "quorvel_table_rows{table=\"taxGroups\"} " << tables.rows.taxGroups << "\n"
      << "quorvel_table_rows{table=\"taxStatuses\"} " << tables.rows.taxStatuses << "\n";
  return out.str();
}

}  // namespace quorvel::service

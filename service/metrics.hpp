// The service's counters, rendered in the Prometheus text format. Lock-free: every request counts.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "table_store.hpp"

namespace quorvel::service {

// What a request asked for, as the metrics group requests.
enum class Endpoint { kCalc, kTables, kReload, kHealth, kReady, kMetrics, kOther, kCount };

// The endpoint of a request path (without its query).
Endpoint EndpointOf(std::string_view path);

class Metrics {
 public:
  // One answered request: its endpoint, status and time from its header to its last byte sent.
  void CountRequest(Endpoint endpoint, unsigned status, std::chrono::nanoseconds latency);
  // One reload, by outcome.
  void CountReload(bool succeeded);
  // Requests whose header has arrived and whose answer is not yet sent.
  std::atomic<std::int64_t>& InFlight() { return inFlight_; }

  // The metrics page; `tables` gives the version and row counts.
  std::string Render(const TableSet& tables) const;

 private:
  static constexpr unsigned kFirstStatus = 100, kStatusCount = 500;
  static constexpr std::array<double, 14> kBucketSeconds = {
      0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 1, 5, 30};

  std::array<std::array<std::atomic<std::uint64_t>, kStatusCount>,
             static_cast<std::size_t>(Endpoint::kCount)> requests_{};
  std::array<std::atomic<std::uint64_t>, kBucketSeconds.size() + 1> latencyBuckets_{};
  std::atomic<std::uint64_t> latencyCount_{0};
  std::atomic<std::uint64_t> latencyNanoseconds_{0};
  std::atomic<std::int64_t> inFlight_{0};
  std::atomic<std::uint64_t> reloadsSucceeded_{0};
  std::atomic<std::uint64_t> reloadsFailed_{0};
};

}  // namespace quorvel::service

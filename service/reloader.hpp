// Table reloads on one background thread, so that the threads answering requests never load.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quorvel::service {

struct TableSet;

// What a load gave: the new tables, or why it failed (the old tables then stay).
struct ReloadOutcome {
  std::shared_ptr<const TableSet> tables;
  std::exception_ptr failure;
};

// Loads one at a time on its own thread. A request is answered by the next load that starts after
// it arrived: a load already running read the folder before the caller may have switched it.
// Requests that arrive while one load runs share the next one.
class Reloader {
 public:
  // `load(triggers)` loads the tables or throws; `triggers` names who asked ("SIGHUP, request").
  using Load = std::function<std::shared_ptr<const TableSet>(const std::string& triggers)>;
  // Called on the loader thread; must not throw.
  using Done = std::function<void(const ReloadOutcome&)>;

  explicit Reloader(Load load);
  // Waits for a load in progress; requests still waiting are dropped unanswered.
  ~Reloader();
  Reloader(const Reloader&) = delete;
  Reloader& operator=(const Reloader&) = delete;

  void Request(std::string trigger, Done done);

 private:
  using Waiter = std::pair<std::string, Done>;
  void Loop();
  ReloadOutcome LoadFor(const std::vector<Waiter>& batch) const;

  Load load_;
  std::mutex mutex_;  // guards the three below
  std::condition_variable wake_;
  std::vector<Waiter> waiting_;
  bool loading_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once the rest is ready
};

}  // namespace quorvel::service

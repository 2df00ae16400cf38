#include "reloader.hpp"

#include "log.hpp"

namespace quorvel::service {

Reloader::Reloader(Load load) : load_(std::move(load)), thread_([this] { Loop(); }) {}

Reloader::~Reloader() {
  {
    const std::scoped_lock lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void Reloader::Request(std::string trigger, Done done) {
  {
    const std::scoped_lock lock(mutex_);
    if (loading_) {
      LogLine("reload (" + trigger + "): waits for the load in progress, then reads the folder again");
    }
    waiting_.emplace_back(std::move(trigger), std::move(done));
  }
  wake_.notify_one();
}

void Reloader::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (stopping_) return;
    // Everyone who asked before this load starts is answered by it; later ones wait for the next.
    const std::vector<Waiter> batch = std::exchange(waiting_, {});
    loading_ = true;
    lock.unlock();
    const ReloadOutcome outcome = LoadFor(batch);
    for (const auto& [trigger, done] : batch) done(outcome);
    lock.lock();
    loading_ = false;
  }
}

ReloadOutcome Reloader::LoadFor(const std::vector<Waiter>& batch) const {
  std::string triggers;
  for (const auto& [trigger, done] : batch) {
    if (triggers.find(trigger) == std::string::npos) triggers += (triggers.empty() ? "" : ", ") + trigger;
  }
  ReloadOutcome outcome;
  try {
    outcome.tables = load_(triggers);
  } catch (...) {
    outcome.failure = std::current_exception();
  }
  return outcome;
}

}  // namespace quorvel::service

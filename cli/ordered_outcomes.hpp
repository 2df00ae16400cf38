// Hands the outcomes of a batch's transactions, finished in any order on worker threads, to one
// reader in input order. Workers wait when they get too far ahead of the reader, so that at most
// `window` finished outcomes are held at once, however many transactions there are.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::cli {

// What one transaction came to: its result text (empty once written to a file), or an error.
struct Outcome {
  bool failed = false;
  std::string text;  // the result, or the error message when failed
};

class OrderedOutcomes {
 public:
  explicit OrderedOutcomes(std::size_t window) : slots_(window) {}

  // Waits until the outcome of transaction `index` may be put: until fewer than `window`
  // outcomes before it are still waiting for the reader.
  void WaitForRoom(std::size_t index) {
    std::unique_lock lock(mutex_);
    taken_.wait(lock, [&] { return index < nextToTake_ + slots_.size(); });
  }

  // Stores the outcome of transaction `index`; WaitForRoom(index) has returned.
  void Put(std::size_t index, Outcome outcome) {
    {
      const std::lock_guard lock(mutex_);
      slots_[index % slots_.size()] = std::move(outcome);
    }
    put_.notify_all();
  }

  // Waits for the outcome of the next transaction in input order and hands it over.
  Outcome TakeNext() {
    std::unique_lock lock(mutex_);
    std::optional<Outcome>& slot = slots_[nextToTake_ % slots_.size()];
    put_.wait(lock, [&] { return slot.has_value(); });
    Outcome outcome = std::move(*slot);
    slot.reset();
    ++nextToTake_;
    lock.unlock();
    taken_.notify_all();
    return outcome;
  }

 private:
  std::mutex mutex_;
  std::condition_variable put_;    // an outcome was put
  std::condition_variable taken_;  // an outcome was taken, so there is room again
  std::vector<std::optional<Outcome>> slots_;
  std::size_t nextToTake_ = 0;
};

}  // namespace quorvel::cli

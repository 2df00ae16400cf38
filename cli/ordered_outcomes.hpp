// Hands the outcomes of a batch's transactions, finished in any order on worker threads, to one
// reader in input order. Workers wait when they get too far ahead of the reader, so that at most
// `window` finished outcomes are held at once, however many transactions there are.
//
// The usual case takes no lock: each slot has a ready flag, and the mutex and condition variable
// are used only by a thread that has to wait (a lock per transaction made the threads queue on
// it). A reader that has to wait sleeps until a run of outcomes is ready, not just the next one,
// which spares a context switch per transaction.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "quorvel/batch.hpp"

namespace quorvel::cli {

using batch::Outcome;

class OrderedOutcomes {
 public:
  // Outcomes of transactions 0 to count - 1, at most `window` held at once.
  OrderedOutcomes(std::size_t count, std::size_t window)
      : count_(count), window_(window), slots_(std::make_unique<Slot[]>(window)) {}

  // Waits until the outcome of transaction `index` may be put: until fewer than `window`
  // outcomes before it are still waiting for the reader.
  void WaitForRoom(std::size_t index) {
    if (HasRoom(index)) return;
    std::unique_lock lock(mutex_);
    ++workersWaiting_;
    changed_.wait(lock, [&] { return HasRoom(index); });
    --workersWaiting_;
  }

  // Stores the outcome of transaction `index`; WaitForRoom(index) has returned.
  void Put(std::size_t index, Outcome outcome) {
    Slot& slot = slots_[index % window_];
    slot.outcome = std::move(outcome);
    slot.ready.store(true);
    if (readerWaiting_.load() && RunIsReady()) WakeAll();
  }

  // Waits for the outcome of the next transaction in input order and hands it over.
  Outcome TakeNext() {
    const std::size_t index = nextToTake_.load();
    Slot& slot = slots_[index % window_];
    if (!slot.ready.load()) {
      std::unique_lock lock(mutex_);
      readerWaiting_.store(true);
      changed_.wait(lock, [&] { return RunIsReady(); });
      readerWaiting_.store(false);
    }
    Outcome outcome = std::move(slot.outcome);
    slot.ready.store(false);
    nextToTake_.store(index + 1);
    if (workersWaiting_.load() > 0) WakeAll();
    return outcome;
  }

 private:
  struct Slot {
    std::atomic<bool> ready{false};
    Outcome outcome;
  };

  bool HasRoom(std::size_t index) const { return index < nextToTake_.load() + window_; }

  // Whether the next outcomes the reader will take are all there: kRun of them, or as many as
  // are left, or as many as the window holds.
  bool RunIsReady() const {
    const std::size_t next = nextToTake_.load();
    const std::size_t run = std::min({kRun, window_, count_ - next});
    for (std::size_t i = 0; i < run; ++i) {
      if (!slots_[(next + i) % window_].ready.load()) return false;
    }
    return true;
  }

  static constexpr std::size_t kRun = 16;
  // Wakes the waiting threads. Taking the mutex first means a thread that has just found its
  // condition false is already asleep in the wait, and so cannot miss the notification.
  void WakeAll() {
    { const std::lock_guard lock(mutex_); }
    changed_.notify_all();
  }

  const std::size_t count_;
  const std::size_t window_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<std::size_t> nextToTake_{0};
  std::atomic<bool> readerWaiting_{false};
  std::atomic<std::size_t> workersWaiting_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace quorvel::cli

// Hands the outcomes of a batch's transactions, finished in any order on worker threads, to one
// reader in input order. Workers wait when they get too far ahead of the reader, so that at most
// `window` finished outcomes are held at once, however many transactions there are.
//
// The usual case takes no lock: each slot has a ready flag. A worker that has to wait waits on
// its own slot, and the reader that frees the slot wakes that worker alone (waking every waiting
// worker on each take made a thousand workers on two cores spend their time being woken for
// nothing). A reader that has to wait sleeps until a run of outcomes is ready, not just the next
// one, which spares a context switch per transaction.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "quorvel/batch.hpp"

namespace quorvel::cli {

using batch::Outcome;

class OrderedOutcomes {
 public:
  // Outcomes of transactions 0 to count - 1, at most `window` held at once.
  OrderedOutcomes(std::size_t count, std::size_t window)
      : count_(count), window_(window), slots_(std::make_unique<Slot[]>(window)) {}

  // Waits until the outcome of transaction `index` may be put: until the reader has taken the
  // outcome `window` places before it, which held the same slot.
  void WaitForRoom(std::size_t index) {
    Slot& slot = slots_[index % window_];
    const auto turn = Turn(index);
    for (auto now = slot.turn.load(); now != turn; now = slot.turn.load()) slot.turn.wait(now);
  }

  // Stores the outcome of transaction `index`; WaitForRoom(index) has returned.
  void Put(std::size_t index, Outcome outcome) {
    Slot& slot = slots_[index % window_];
    slot.outcome = std::move(outcome);
    slot.ready.store(true);
    if (readerWaiting_.load() && RunIsReady()) WakeReader();
  }

  // Waits for the outcome of the next transaction in input order and hands it over.
  Outcome TakeNext() {
    const std::size_t index = nextToTake_.load();
    Slot& slot = slots_[index % window_];
    if (!slot.ready.load()) {
      std::unique_lock lock(mutex_);
      readerWaiting_.store(true);
      readerWoken_.wait(lock, [&] { return RunIsReady(); });
      readerWaiting_.store(false);
    }
    Outcome outcome = std::move(slot.outcome);
    slot.ready.store(false);
    nextToTake_.store(index + 1);
    slot.turn.store(Turn(index + window_));
    slot.turn.notify_all();  // the one worker with that index, if it waits (cheap when none does)
    return outcome;
  }

 private:
  // Which pass over the window an index is in: the slot's turn once the slot may take it. A
  // 32-bit count, which the futex behind atomic wait takes directly; it only has to differ from
  // the pass before, so its wrapping around is harmless.
  std::uint32_t Turn(std::size_t index) const { return static_cast<std::uint32_t>(index / window_); }

  struct Slot {
    std::atomic<bool> ready{false};
    std::atomic<std::uint32_t> turn{0};
    Outcome outcome;
  };

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
  // Taking the mutex first means a reader that has just found its condition false is already
  // asleep in the wait, and so cannot miss the notification.
  void WakeReader() {
    { const std::lock_guard lock(mutex_); }
    readerWoken_.notify_one();
  }

  const std::size_t count_;
  const std::size_t window_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<std::size_t> nextToTake_{0};
  std::atomic<bool> readerWaiting_{false};
  std::mutex mutex_;
  std::condition_variable readerWoken_;
};

}  // namespace quorvel::cli

#include "temporary_files.hpp"

#include <linux/limits.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <stdexcept>

#include "quorvel/batch.hpp"

namespace quorvel::batch {
namespace {

// A signal handler may only read memory that stays put: a fixed table of fixed buffers. A slot is
// claimed (`taken`), its path copied in, and only then marked `live` for the handler.
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> live{false};
  char path[PATH_MAX];
};

constexpr int kSlots = 1100;  // above the 1024 workers a batch may have, plus the main thread
Slot slots[kSlots];

}  // namespace

void RemoveTemporaryFiles() noexcept {
  for (Slot& slot : slots) {
    if (slot.live.load()) unlink(slot.path);
  }
}

TemporaryFileRegistration::TemporaryFileRegistration(const std::string& path) : slot_(-1) {
  if (path.size() >= PATH_MAX) throw std::runtime_error("temporary file name too long");
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (slots[i].taken.compare_exchange_strong(expected, true)) {
      std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
      slots[i].live.store(true);
      slot_ = i;
      return;
    }
  }
  throw std::runtime_error("too many temporary files at once");
}

TemporaryFileRegistration::~TemporaryFileRegistration() {
  slots[slot_].live.store(false);
  slots[slot_].taken.store(false);
}

}  // namespace quorvel::batch

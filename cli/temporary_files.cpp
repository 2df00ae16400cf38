#include "temporary_files.hpp"

#include <linux/limits.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace quorvel::cli {
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

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveAndEnd(int signal) {
  for (Slot& slot : slots) {
    if (slot.live.load()) unlink(slot.path);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
  for (const int signal : kSignals) {
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigfillset(&action.sa_mask);  // no second signal runs the handler while it removes files
    struct sigaction previous {};
    sigaction(signal, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
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

}  // namespace quorvel::cli

#include "interruption.hpp"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "quorvel/batch.hpp"

namespace quorvel::cli {
namespace {

std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "read and written by a signal handler");

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnStopSignal(int signal) {
  int none = 0;
  if (!stopSignal.compare_exchange_strong(none, signal)) EndBySignal(signal);
}

}  // namespace

void StopOnSignals() {
  for (const int signal : kSignals) {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigfillset(&action.sa_mask);  // no second signal runs a handler while this one does
    struct sigaction previous {};
    sigaction(signal, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
  }
}

int StopSignal() { return stopSignal.load(); }

void EndBySignal(int signal) {
  batch::RemoveTemporaryFiles();
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigaction(signal, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  _exit(128 + signal);  // not reached: the default action of these signals ends the process
}

}  // namespace quorvel::cli

// How SIGINT, SIGTERM and SIGHUP end a batch that writes a result folder: the first one only asks
// the run to stop (workers finish the document in hand, its file pair included, and take no new
// one), then the process ends by that signal; a second one ends it at once, since a worker may
// wait forever (on a named pipe, say), removing the temporary files being written.
#pragma once

namespace quorvel::cli {

// Installs the handlers. Signals the process was started ignoring stay ignored.
void StopOnSignals();

// The signal that asked the run to stop, or 0.
int StopSignal();

// Thrown once a stopped run has finished its documents in hand; main() unwinds to it (releasing
// the folder's lock) and ends the process by the signal.
struct Interrupted {
  int signal;
};

// Removes the temporary files being written and ends the process by `signal`, as its default
// action does. Async-signal-safe.
[[noreturn]] void EndBySignal(int signal);

}  // namespace quorvel::cli

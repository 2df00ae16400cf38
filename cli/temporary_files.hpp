// Temporary files that a signal ending the process (SIGINT, SIGTERM, SIGHUP) removes before the
// process ends, so that an interrupted run leaves none behind.
#pragma once

#include <string>

namespace quorvel::cli {

// Installs the signal handlers that remove the registered temporary files, then end the process
// by the same signal. Signals the process was started ignoring stay ignored.
void RemoveTemporaryFilesOnSignals();

// Registers one temporary file for the handlers for as long as it lives. Registrations held at
// once are limited (one per worker thread is far below the limit); past it, Register... throws.
class TemporaryFileRegistration {
 public:
  explicit TemporaryFileRegistration(const std::string& path);
  TemporaryFileRegistration(const TemporaryFileRegistration&) = delete;
  TemporaryFileRegistration& operator=(const TemporaryFileRegistration&) = delete;
  ~TemporaryFileRegistration();

 private:
  int slot_;
};

}  // namespace quorvel::cli

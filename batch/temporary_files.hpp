// The temporary files being written at a given moment, kept where an async-signal-safe function
// (quorvel::batch::RemoveTemporaryFiles) can find and remove them.
#pragma once

#include <string>

namespace quorvel::batch {

// Registers one temporary file for as long as it lives. Registrations held at once are limited
// (one per worker thread is far below the limit); past it, the constructor throws
// std::runtime_error.
class TemporaryFileRegistration {
 public:
  explicit TemporaryFileRegistration(const std::string& path);
  TemporaryFileRegistration(const TemporaryFileRegistration&) = delete;
  TemporaryFileRegistration& operator=(const TemporaryFileRegistration&) = delete;
  ~TemporaryFileRegistration();

 private:
  int slot_;
};

}  // namespace quorvel::batch

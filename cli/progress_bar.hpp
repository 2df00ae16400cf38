// A progress bar with the rate, redrawn in place on standard error (a terminal).
#pragma once

#include <chrono>
#include <cstddef>

namespace quorvel::cli {

class ProgressBar {
 public:
  // A bar for `total` steps; when not `enabled`, it draws nothing.
  ProgressBar(std::size_t total, bool enabled);

  // Shows `done` of the steps (at most ten times a second, and always the last one).
  void Show(std::size_t done);
  // Removes the bar, so that a line can be written in its place; the next Show draws it again.
  void Clear();

 private:
  bool enabled_;
  std::size_t total_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace quorvel::cli

// Counts the heap bytes a piece of code holds: every operator new and delete of the benchmark
// binary, and pugixml's own allocations once Install() has routed them here. Counting is on only
// while a Counting object lives, so that the timed benchmarks pay nothing for it; blocks should be
// freed while it is on if they were allocated while it was on.
//
// A block counts with its real footprint in glibc's heap: its usable size plus the size word in
// front of it.
#pragma once

#include <cstddef>

namespace quorvel::bench::heap {

// Routes pugixml's allocations through the counter (operator new and delete always are).
void Install();

// Counts allocations while it lives (one at a time).
class Counting {
 public:
  Counting();
  ~Counting();
  Counting(const Counting&) = delete;
  Counting& operator=(const Counting&) = delete;
};

// Bytes held now, and the most held at once since the last ResetPeak.
long long InUse();
long long Peak();
void ResetPeak();

}  // namespace quorvel::bench::heap

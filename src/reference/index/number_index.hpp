// An index from 32-bit numbers to positions, for collections whose keys are all "K" + a number:
// finding a number costs a multiplication and a probe or two, where a text key is hashed and
// compared byte by byte.
// Guards: FindTax of a group's items finds what the text key "K" + the number finds.
// Oracle: tests/number_index_test.cpp (a std::map).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvel {

class NumberIndex {
 public:
  // The position stored under `number`, or nothing.
  std::optional<std::uint32_t> Find(std::int32_t number) const {
    if (used_ == 0) return std::nullopt;
    const Slot& slot = slots_[SlotFor(number)];
    if (slot.position == 0) return std::nullopt;
    return slot.position - 1;
  }
  // Makes room for one more number, so that the Add after it cannot fail.
  void Reserve();
  // Stores `position` under `number`, after Reserve(); false, changing nothing, when it is held.
  bool Add(std::int32_t number, std::uint32_t position);

 private:
  struct Slot {
    std::int32_t number = 0;
    std::uint32_t position = 0;  // position + 1, or 0 when the slot is free
  };
  // The slot holding `number`, or the free slot where it would go.
  std::size_t SlotFor(std::int32_t number) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = Spread(number) & mask;; slot = (slot + 1) & mask) {
      if (slots_[slot].position == 0 || slots_[slot].number == number) return slot;
    }
  }
  // Fibonacci hashing: the high bits of the product depend on every bit of the number.
  static std::size_t Spread(std::int32_t number) {
    return static_cast<std::size_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(number)) * 11400714819323198485ull) >> 32);
  }
  std::vector<Slot> slots_;  // a power of two long, at most three quarters used
  std::size_t used_ = 0;
};

// The number of `key` when it is exactly NumberKey(prefix, number) (K12, K-5; not K012, k12 or
// " K12"), else nothing.
std::optional<std::int32_t> NumberOfKey(char prefix, std::string_view key);

}  // namespace quorvel

// An index from 32-bit numbers to positions, for collections whose keys are all "K" + a number:
// finding a number costs a multiplication and a probe or two, where a text key is hashed and
// compared byte by byte.
// Guards: FindTax of a group's items finds what the text key "K" + the number finds.
// Oracle: tests/number_index_test.cpp (a std::map).
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include "reference/index/open_address_table.hpp"

namespace quorvel {

class NumberIndex {
 public:
  // Positions from 0 up to, not including, this one can be stored.
  static constexpr std::size_t kPositionLimit = std::numeric_limits<std::uint32_t>::max();

  // The position stored under `number`, or nothing.
  std::optional<std::uint32_t> Find(std::int32_t number) const {
    const Slot* slot = table_.Find(Spread(number), [=](const Slot& held) { return held.number == number; });
    if (!slot) return std::nullopt;
    return slot->position - 1;
  }
  // Makes room for one more number, so that the Add after it cannot fail (Add makes room itself
  // otherwise, and may then run out of memory).
  void Reserve() {
    table_.Reserve(used_, [](const Slot& held) { return Spread(held.number); });
  }
  // Stores `position` under `number`; false, changing nothing, when it is held.
  bool Add(std::int32_t number, std::uint32_t position);

 private:
  struct Slot {
    std::int32_t number = 0;
    std::uint32_t position = 0;  // position + 1, or 0 when the slot is free
    bool IsFree() const { return position == 0; }
  };
  // Fibonacci hashing: the high bits of the product depend on every bit of the number.
  static std::size_t Spread(std::int32_t number) {
    return static_cast<std::size_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(number)) * 11400714819323198485ull) >> 32);
  }
  OpenAddressTable<Slot> table_;
  std::size_t used_ = 0;
};

}  // namespace quorvel

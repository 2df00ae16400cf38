// The open-addressing table behind the engine's indexes (KeyIndex, NumberIndex, RowIndex): one
// probe rule (linear, from the low bits of a slot's hash) and one growth rule (eight slots at
// first, doubled before more than three quarters of them would be used), so that probes stay
// short and a large index holds fewer than three slots per entry. The table keeps nothing but its
// slots: the reference tables hold an index or two per collection, and each counts its entries.
// Its oracles are the tests of those indexes (tests/key_index_test.cpp, number_index_test.cpp,
// row_index_test.cpp).
#pragma once

#include <cstddef>
#include <vector>

namespace quorvel {

// `Slot` is a small value whose default is free; IsFree() tells a free slot from a used one.
template <typename Slot>
class OpenAddressTable {
 public:
  // The used slot on `hash`'s probe that `holds` accepts, or nullptr when a free slot comes first.
  template <typename Holds>
  const Slot* Find(std::size_t hash, Holds&& holds) const {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.IsFree()) return nullptr;
      if (holds(slot)) return &slot;
    }
  }

  // Makes room for one more slot beside the `used` ones, so that the Insert after it cannot fail;
  // `hashOf(slot)` gives the hash a used slot was inserted with. Changes nothing when memory runs
  // out.
  template <typename HashOf>
  void Reserve(std::size_t used, HashOf&& hashOf) {
    if ((used + 1) * 4 <= slots_.size() * 3) return;
    std::vector<Slot> old(slots_.empty() ? kFirstSlotCount : slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (!slot.IsFree()) Place(hashOf(slot), slot);
    }
  }

  // Stores `slot` on `hash`'s probe, after Reserve, for a key the table does not hold.
  void Insert(std::size_t hash, const Slot& slot) { Place(hash, slot); }

 private:
  static constexpr std::size_t kFirstSlotCount = 8;

  void Place(std::size_t hash, const Slot& slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (!slots_[i].IsFree()) i = (i + 1) & mask;
    slots_[i] = slot;
  }

  std::vector<Slot> slots_;  // a power of two long
};

}  // namespace quorvel

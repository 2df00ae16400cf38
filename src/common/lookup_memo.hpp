// The results of look-ups already made in one calculation, so that a repeated key (the items of
// one tax group, say) is not searched for again. Exact: a slot answers only for the key it holds;
// another key with the same slot replaces it.
// Oracle: tests/lookup_memo_test.cpp (the searches themselves).
#pragma once

#include <array>
#include <cstddef>

namespace quorvel {

template <typename Key, typename Value, std::size_t kSlots = 32>
class LookupMemo {
 public:
  // The value for `key`: remembered, or `search()` when not. `hash` chooses the slot.
  template <typename Search>
  Value Get(const Key& key, std::size_t hash, Search&& search) {
    Slot& slot = slots_[hash % kSlots];
    if (!slot.used || !(slot.key == key)) slot = {key, search(), true};
    return slot.value;
  }

 private:
  struct Slot {
    Key key{};
    Value value{};
    bool used = false;
  };
  std::array<Slot, kSlots> slots_{};
};

}  // namespace quorvel

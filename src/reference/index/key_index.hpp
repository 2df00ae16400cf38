// The key index of a keyed collection: keys compared without regard to ASCII letter case, each
// naming a position. Compact (the keys end to end in one buffer, open addressing over 32-bit
// slots), because the reference tables hold one index per collection and look-ups in them are
// the inner loop of a calculation. Immutable use (Find) is safe from many threads at once.
// Guards: a key is found under any letter case, and never another key sharing half its hash.
// Oracle: tests/key_index_test.cpp (a std::map of upper-cased keys).
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reference/index/open_address_table.hpp"

namespace quorvel {

class KeyIndex {
 public:
  // Positions from 0 up to, not including, this one can be stored.
  static constexpr std::size_t kPositionLimit = std::numeric_limits<std::uint32_t>::max();
  // At most this many keys: a table of them then needs at most 2^32 slots, so that the low half
  // of a key's hash, which a slot keeps, is all that chooses its slot.
  static constexpr std::size_t kMostKeys = kPositionLimit / 2 - 1;
  static_assert(std::uint64_t{kMostKeys} * 4 <= (std::uint64_t{1} << 32) * 3);

  // The position stored under `key` (letter case ignored, nothing trimmed), or nothing.
  std::optional<std::size_t> Find(std::string_view key) const;
  // The same, `hash` being CaseInsensitiveHash(key) worked out beforehand.
  std::optional<std::size_t> Find(std::string_view key, std::uint64_t hash) const;

  // Stores `position` under `key`, or returns false and changes nothing when the key is held.
  bool Add(std::string_view key, std::size_t position);

  // Removes every key.
  void Clear() { *this = KeyIndex(); }

 private:
  struct Entry {
    std::uint32_t keyEnd;    // where the key ends in keys_; it starts where the previous one ends
    std::uint32_t position;  // what the key names
  };

  // A slot names an entry and keeps the low half of its key's hash, so that probing past other
  // keys, and growing, need not read the keys themselves.
  struct Slot {
    std::uint32_t entry = 0;  // entry number + 1, or 0 when free
    std::uint32_t hash = 0;
    bool IsFree() const { return entry == 0; }
  };

  std::string_view KeyOf(std::size_t entry) const;
  // The slot holding `key`'s entry, or nullptr.
  const Slot* SlotOf(std::string_view key, std::uint64_t hash) const;

  std::string keys_;
  std::vector<Entry> entries_;
  OpenAddressTable<Slot> slots_;
};

// Hash of a key without regard to ASCII letter case (FNV-1a over the upper-cased bytes).
std::uint64_t CaseInsensitiveHash(std::string_view key);

// Whether two keys are equal without regard to ASCII letter case.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace quorvel

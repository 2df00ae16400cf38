#include "reference/index/key_index.hpp"

#include <limits>
#include <stdexcept>

namespace quorvel {
namespace {

constexpr std::size_t kFirstSlotCount = 8;
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::uint64_t CaseInsensitiveHash(std::string_view key) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : key) hash = (hash ^ static_cast<unsigned char>(Upper(c))) * 1099511628211ull;
  return hash ^ (hash >> 29);  // the low bits choose the slot: mix the high ones in
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

std::string_view KeyIndex::KeyOf(std::size_t entry) const {
  const std::size_t start = entry == 0 ? 0 : entries_[entry - 1].keyEnd;
  return std::string_view(keys_.data() + start, entries_[entry].keyEnd - start);
}

std::size_t KeyIndex::SlotFor(std::string_view key, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const auto hashHalf = static_cast<std::uint32_t>(hash);
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& held = slots_[slot];
    if (held.entry == 0) return slot;
    if (held.hash == hashHalf && EqualIgnoringCase(KeyOf(held.entry - 1), key)) return slot;
  }
}

std::optional<std::size_t> KeyIndex::Find(std::string_view key) const {
  return Find(key, CaseInsensitiveHash(key));
}

std::optional<std::size_t> KeyIndex::Find(std::string_view key, std::uint64_t hash) const {
  if (entries_.empty()) return std::nullopt;
  const std::uint32_t held = slots_[SlotFor(key, hash)].entry;
  if (held == 0) return std::nullopt;
  return entries_[held - 1].position;
}

bool KeyIndex::Add(std::string_view key, std::size_t position) {
  constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();
  if (keys_.size() + key.size() >= kLimit || position >= kLimit || entries_.size() + 1 >= kLimit / 2) {
    throw std::length_error("key index full");
  }
  const std::uint64_t hash = CaseInsensitiveHash(key);
  if (!slots_.empty() && slots_[SlotFor(key, hash)].entry != 0) return false;
  // At most three quarters of the slots in use, so that probes stay short.
  if ((entries_.size() + 1) * 4 > slots_.size() * 3) Grow();
  // Room for the entry first, so that nothing can fail once the key is appended.
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.empty() ? 4 : entries_.size() * 2);
  keys_.append(key);
  entries_.push_back({static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint32_t>(position)});
  slots_[SlotFor(key, hash)] = {static_cast<std::uint32_t>(entries_.size()), static_cast<std::uint32_t>(hash)};
  return true;
}

void KeyIndex::Grow() {
  // The slot of a key depends on the low bits of its hash only, which the old slots keep (the
  // table never outgrows 32 bits of slots), so the keys need not be read again.
  std::vector<Slot> old(slots_.empty() ? kFirstSlotCount : slots_.size() * 2);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& held : old) {
    if (held.entry == 0) continue;
    std::size_t slot = held.hash & mask;
    while (slots_[slot].entry != 0) slot = (slot + 1) & mask;
    slots_[slot] = held;
  }
}

}  // namespace quorvel

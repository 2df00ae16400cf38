#include "reference/index/key_index.hpp"

#include <stdexcept>

namespace quorvel {
namespace {

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

const KeyIndex::Slot* KeyIndex::SlotOf(std::string_view key, std::uint64_t hash) const {
  const auto hashHalf = static_cast<std::uint32_t>(hash);
  return slots_.Find(hash, [&](const Slot& held) {
    return held.hash == hashHalf && EqualIgnoringCase(KeyOf(held.entry - 1), key);
  });
}

std::optional<std::size_t> KeyIndex::Find(std::string_view key) const {
  return Find(key, CaseInsensitiveHash(key));
}

std::optional<std::size_t> KeyIndex::Find(std::string_view key, std::uint64_t hash) const {
  const Slot* held = SlotOf(key, hash);
  if (!held) return std::nullopt;
  return entries_[held->entry - 1].position;
}

bool KeyIndex::Add(std::string_view key, std::size_t position) {
  const bool full = keys_.size() + key.size() >= kPositionLimit || entries_.size() >= kMostKeys;
  if (full || position >= kPositionLimit) throw std::length_error("key index full");
  const std::uint64_t hash = CaseInsensitiveHash(key);
  if (SlotOf(key, hash)) return false;
  slots_.Reserve(entries_.size(), [](const Slot& held) { return held.hash; });
  // Room for the entry first, so that nothing can fail once the key is appended.
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.empty() ? 4 : entries_.size() * 2);
  keys_.append(key);
  entries_.push_back({static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint32_t>(position)});
  slots_.Insert(hash, {static_cast<std::uint32_t>(entries_.size()), static_cast<std::uint32_t>(hash)});
  return true;
}

}  // namespace quorvel

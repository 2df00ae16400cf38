// The collection pattern shared by every set of objects: elements in order of addition, reached
// by a case-insensitive key, by a 1-based position or by enumeration.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/error.hpp"
#include "common/trimming.hpp"
#include "reference/index/key_index.hpp"

namespace quorvel {

// Error 9 unless `position` lies in 1..`count`, the positions of a collection of `count` elements.
inline void RequirePosition(std::int32_t position, std::int32_t count) {
  if (position < 1 || position > count) {
    Raise(errors::kOutOfRange, "position " + std::to_string(position) +
                                   " is outside the collection (1 to " + std::to_string(count) + ")");
  }
}

// A look-up key trimmed and hashed once, for looking it up many times.
class PreparedKey {
 public:
  explicit PreparedKey(std::string_view key)
      : key_(TrimSpaces(key)), hash_(CaseInsensitiveHash(key_)) {}
  std::string_view key() const { return key_; }
  std::uint64_t hash() const { return hash_; }

 private:
  std::string_view key_;
  std::uint64_t hash_;
};

// Reading a collection (Count, Item, Find, enumeration) changes nothing, so a collection that is
// no longer added to may be read from many threads at once.
template <typename ElementType>
class KeyedCollection {
 public:
  using Element = ElementType;
  using Store = std::vector<std::shared_ptr<Element>>;
  using const_iterator = typename Store::const_iterator;

  // The number of elements.
  std::int32_t Count() const { return static_cast<std::int32_t>(elements_.size()); }

  // The element stored under `key` (trimmed, letter case ignored), without taking a counted
  // reference: for reading while the collection is held. Nullptr when absent.
  const Element* Find(std::string_view key) const {
    const auto position = IndexOf(key);
    return position ? elements_[*position].get() : nullptr;
  }

  // What Find(key) finds, as a counted reference, or none (nullptr).
  std::shared_ptr<Element> Item(std::string_view key) const {
    const auto position = IndexOf(key);
    return position ? elements_[*position] : nullptr;
  }

  // The same for a key prepared beforehand.
  const Element* Find(const PreparedKey& key) const {
    const auto position = index_.Find(key.key(), key.hash());
    return position ? elements_[*position].get() : nullptr;
  }

  // The 0-based index of the element Find(key) finds, or nothing.
  std::optional<std::size_t> IndexOf(std::string_view key) const { return index_.Find(TrimSpaces(key)); }

  // The element at the 0-based `index`, which must be below Count().
  const Element* ElementAt(std::size_t index) const { return elements_[index].get(); }

  // The element at the 1-based `position`; error 9 outside 1..Count.
  std::shared_ptr<Element> Item(std::int32_t position) const {
    RequirePosition(position, Count());
    return elements_[static_cast<std::size_t>(position - 1)];
  }

  // The elements in order of addition; every enumeration is independent of the others.
  const_iterator begin() const { return elements_.begin(); }
  const_iterator end() const { return elements_.end(); }
  // The same enumeration as begin() and end(), as one range.
  std::ranges::subrange<const_iterator> NewEnum() const { return {begin(), end()}; }

 protected:
  // Appends `element` under `key`; error 457, with the collection unchanged, when the key is
  // already held (letter case ignored).
  const std::shared_ptr<Element>& Append(std::shared_ptr<Element> element, std::string_view key) {
    MakeRoomForOne();
    if (!index_.Add(key, elements_.size())) {
      Raise(errors::kDuplicateKey, "duplicate key: " + Quoted(key) + " is already in the collection");
    }
    elements_.push_back(std::move(element));  // cannot fail: the room is there
    return elements_.back();
  }

  // Replaces the store with a new, empty one.
  void ResetStore() {
    elements_ = {};
    index_.Clear();
  }

 private:
  // Grows the store geometrically (never by one: that would copy it on every addition).
  void MakeRoomForOne() {
    if (elements_.size() == elements_.capacity()) {
      elements_.reserve(elements_.empty() ? 4 : elements_.size() * 2);
    }
  }

  Store elements_;
  KeyIndex index_;
};

}  // namespace quorvel

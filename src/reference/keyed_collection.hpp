// The collection pattern shared by every set of objects: elements in order of addition, reached
// by a case-insensitive key, by a 1-based position or by enumeration.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/error.hpp"

namespace quorvel {

// Hashing and equality of keys without regard to ASCII letter case.
struct CaseInsensitiveKey {
  using is_transparent = void;
  static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
  std::size_t operator()(std::string_view key) const {
    // 64-bit FNV-1a, folded to std::size_t (32 bits in WebAssembly).
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : key) hash = (hash ^ static_cast<unsigned char>(Upper(c))) * 1099511628211ull;
    return static_cast<std::size_t>(hash);
  }
  bool operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
  }
};

// A look-up key with the spaces at both ends removed (Item trims before it looks up).
inline std::string_view TrimSpaces(std::string_view key) {
  while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
  while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
  return key;
}

template <typename ElementType>
class KeyedCollection {
 public:
  using Element = ElementType;
  using Store = std::vector<std::shared_ptr<Element>>;
  using const_iterator = typename Store::const_iterator;

  // The number of elements.
  std::int32_t Count() const { return static_cast<std::int32_t>(store_.elements.size()); }

  // The element stored under `key` (trimmed, letter case ignored), or none (nullptr).
  std::shared_ptr<Element> Item(std::string_view key) const {
    const auto found = store_.index.find(TrimSpaces(key));
    return found == store_.index.end() ? nullptr : store_.elements[found->second];
  }

  // The element at the 1-based `position`; error 9 outside 1..Count.
  std::shared_ptr<Element> Item(std::int32_t position) const {
    if (position < 1 || position > Count()) {
      Raise(errors::kOutOfRange, "position " + std::to_string(position) +
                                     " is outside the collection (1 to " +
                                     std::to_string(Count()) + ")");
    }
    return store_.elements[static_cast<std::size_t>(position - 1)];
  }

  // A fresh, independent enumeration of the elements in order of addition.
  const Store& NewEnum() const { return store_.elements; }
  const_iterator begin() const { return store_.elements.begin(); }
  const_iterator end() const { return store_.elements.end(); }

 protected:
  // Appends `element` under `key`; error 457, with the collection unchanged, when the key is
  // already held (letter case ignored).
  const std::shared_ptr<Element>& Append(std::shared_ptr<Element> element, std::string key) {
    if (store_.index.count(key) != 0) {
      Raise(errors::kDuplicateKey, "duplicate key: " + Quoted(key) + " is already in the collection");
    }
    store_.elements.push_back(std::move(element));
    try {
      store_.index.emplace(std::move(key), store_.elements.size() - 1);
    } catch (...) {
      store_.elements.pop_back();  // out of memory: leave the collection as it was
      throw;
    }
    return store_.elements.back();
  }

  // Appends `element` without a key: reached by position and enumeration only.
  const std::shared_ptr<Element>& AppendWithoutKey(std::shared_ptr<Element> element) {
    store_.elements.push_back(std::move(element));
    return store_.elements.back();
  }

  // Replaces the store with a new, empty one.
  void ResetStore() { store_ = {}; }

 private:
  struct KeyedStore {
    Store elements;
    std::unordered_map<std::string, std::size_t, CaseInsensitiveKey, CaseInsensitiveKey> index;
  };
  KeyedStore store_;
};

}  // namespace quorvel

#include "reference/index/status_prefixes.hpp"

#include <algorithm>

namespace quorvel {

bool IsSubjectLetter(char c) {
  switch (c) {
    case 'K': case 'G': case 'I': case 'k': case 'g': case 'i': return true;
    default: return false;
  }
}

void StatusPrefixes::Add(std::string_view key, std::uint32_t position) {
  const std::size_t last = std::min(key.size() - (key.empty() ? 0 : 1), kLongestPrefix);
  std::size_t lengths[kMostFilings];
  std::size_t count = 0;
  for (std::size_t length = 1; length <= last; ++length) {
    if (!IsSubjectLetter(key[length])) continue;
    if (count == kMostFilings) {
      complete_ = false;
      return;
    }
    lengths[count++] = length;
  }
  try {
    for (const std::size_t length : std::span(lengths, count)) File(key.substr(0, length), position);
  } catch (...) {
    complete_ = false;  // a status filed under fewer beginnings than it has: trust none
    throw;
  }
}

void StatusPrefixes::File(std::string_view prefix, std::uint32_t position) {
  std::optional<std::size_t> shelf = prefixes_.Find(prefix);
  if (!shelf) {
    shelves_.emplace_back();
    shelf = shelves_.size() - 1;
    prefixes_.Add(prefix, *shelf);
  }
  Shelf& filed = shelves_[*shelf];
  filings_.push_back({position, filed.latest});
  filed.latest = static_cast<std::uint32_t>(filings_.size());
  ++filed.count;
}

std::optional<std::size_t> StatusPrefixes::Candidates(std::string_view customerPart,
                                                      std::span<std::uint32_t> out) const {
  if (!complete_ || customerPart.size() > kLongestPrefix) return std::nullopt;
  const std::optional<std::size_t> number = prefixes_.Find(customerPart);
  if (!number) return 0;
  const Shelf& shelf = shelves_[*number];
  if (shelf.count > out.size()) return std::nullopt;
  std::size_t written = 0;
  for (std::uint32_t filing = shelf.latest; filing != 0; filing = filings_[filing - 1].earlier) {
    out[written++] = filings_[filing - 1].position;
  }
  return written;
}

}  // namespace quorvel

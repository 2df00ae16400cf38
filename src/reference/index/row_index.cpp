#include "reference/index/row_index.hpp"

#include <cstring>
#include <optional>

#include "xml/xpath_number.hpp"

namespace quorvel {
namespace {

// A hash of the number's bits mixed throughout (splitmix64's finaliser): the doubles of small
// whole numbers differ only in their high bits, and the slot is chosen by the low ones.
std::size_t NumberHash(double number) {
  std::uint64_t bits;
  std::memcpy(&bits, &number, sizeof bits);
  bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9ull;
  bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBull;
  return static_cast<std::size_t>(bits ^ (bits >> 31));
}

}  // namespace

RowIndex::RowIndex(const std::vector<xml::Row>& rows, const char* keyAttribute) {
  // Each row's group, then the rows placed group by group (a counting sort keeps document order).
  std::vector<std::uint32_t> groupOfRow(rows.size(), kNoGroup);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::optional<std::string_view> value = rows[i].element.Attribute(keyAttribute);
    if (!value) continue;
    const std::optional<double> number = xml::XPathNumber(*value);
    groupOfRow[i] = number ? NumberGroup(*number) : TextGroup(*value);
  }
  groupStarts_.assign(groupNumbers_.size() + 1, 0);
  for (const std::uint32_t group : groupOfRow) {
    if (group != kNoGroup) ++groupStarts_[group + 1];
  }
  for (std::size_t group = 0; group < groupNumbers_.size(); ++group) {
    groupStarts_[group + 1] += groupStarts_[group];
  }
  std::vector<std::uint32_t> placed(groupStarts_.back());
  std::vector<std::uint32_t> next(groupStarts_.begin(), groupStarts_.end() - 1);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (groupOfRow[i] != kNoGroup) placed[next[groupOfRow[i]]++] = static_cast<std::uint32_t>(i);
  }
  rows_.reserve(placed.size());
  for (const std::uint32_t i : placed) rows_.push_back(rows[i]);
}

std::uint32_t RowIndex::TextGroup(std::string_view text) {
  const auto [found, added] =
      textGroups_.try_emplace(std::string(text), static_cast<std::uint32_t>(groupNumbers_.size()));
  if (added) groupNumbers_.push_back(0);  // a text group has no number
  return found->second;
}

std::uint32_t RowIndex::FindNumberGroup(double number) const {
  if (numberSlots_.empty()) return kNoGroup;
  const std::size_t mask = numberSlots_.size() - 1;
  for (std::size_t slot = NumberHash(number) & mask;; slot = (slot + 1) & mask) {
    const std::uint32_t held = numberSlots_[slot];
    if (held == 0) return kNoGroup;
    if (groupNumbers_[held - 1] == number) return held - 1;
  }
}

std::uint32_t RowIndex::NumberGroup(double number) {
  const std::uint32_t found = FindNumberGroup(number);
  if (found != kNoGroup) return found;
  if ((numberGroups_ + 1) * 2 > numberSlots_.size()) GrowNumberSlots();
  const auto group = static_cast<std::uint32_t>(groupNumbers_.size());
  groupNumbers_.push_back(number);
  const std::size_t mask = numberSlots_.size() - 1;
  std::size_t slot = NumberHash(number) & mask;
  while (numberSlots_[slot] != 0) slot = (slot + 1) & mask;
  numberSlots_[slot] = group + 1;
  ++numberGroups_;
  return group;
}

void RowIndex::GrowNumberSlots() {
  std::vector<std::uint32_t> old(numberSlots_.empty() ? 16 : numberSlots_.size() * 2, 0);
  old.swap(numberSlots_);
  const std::size_t mask = numberSlots_.size() - 1;
  for (const std::uint32_t held : old) {
    if (held == 0) continue;
    std::size_t slot = NumberHash(groupNumbers_[held - 1]) & mask;
    while (numberSlots_[slot] != 0) slot = (slot + 1) & mask;
    numberSlots_[slot] = held;
  }
}

std::span<const xml::Row> RowIndex::RowsFor(std::string_view headerKey) const {
  std::uint32_t group = kNoGroup;
  if (const std::optional<double> number = xml::XPathNumber(headerKey)) {
    group = FindNumberGroup(*number);
  } else if (const auto found = textGroups_.find(std::string(headerKey)); found != textGroups_.end()) {
    group = found->second;
  }
  if (group == kNoGroup) return {};
  return std::span<const xml::Row>(rows_).subspan(groupStarts_[group],
                                                  groupStarts_[group + 1] - groupStarts_[group]);
}

}  // namespace quorvel

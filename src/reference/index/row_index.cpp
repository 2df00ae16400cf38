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
  const NumberSlot* slot = numberGroups_.Find(
      NumberHash(number), [&](const NumberSlot& held) { return groupNumbers_[held.group - 1] == number; });
  return slot ? slot->group - 1 : kNoGroup;
}

std::uint32_t RowIndex::NumberGroup(double number) {
  const std::uint32_t found = FindNumberGroup(number);
  if (found != kNoGroup) return found;
  const auto hashOfHeld = [&](const NumberSlot& held) { return NumberHash(groupNumbers_[held.group - 1]); };
  numberGroups_.Reserve(numberGroupCount_, hashOfHeld);
  const auto group = static_cast<std::uint32_t>(groupNumbers_.size());
  groupNumbers_.push_back(number);
  numberGroups_.Insert(NumberHash(number), {group + 1});
  ++numberGroupCount_;
  return group;
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

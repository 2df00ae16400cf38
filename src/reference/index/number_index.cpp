#include "reference/index/number_index.hpp"

#include <charconv>
#include <limits>
#include <stdexcept>

namespace quorvel {
namespace {

constexpr std::size_t kFirstSlotCount = 8;

}  // namespace

void NumberIndex::Reserve() {
  if ((used_ + 1) * 4 <= slots_.size() * 3) return;
  std::vector<Slot> old(slots_.empty() ? kFirstSlotCount : slots_.size() * 2);
  old.swap(slots_);
  for (const Slot& held : old) {
    if (held.position != 0) slots_[SlotFor(held.number)] = held;
  }
}

bool NumberIndex::Add(std::int32_t number, std::uint32_t position) {
  if (position >= std::numeric_limits<std::uint32_t>::max()) throw std::length_error("number index full");
  if ((used_ + 1) * 4 > slots_.size() * 3) throw std::logic_error("NumberIndex::Add without Reserve");
  Slot& slot = slots_[SlotFor(number)];
  if (slot.position != 0) return false;
  slot = {number, position + 1};
  ++used_;
  return true;
}

std::optional<std::int32_t> NumberOfKey(char prefix, std::string_view key) {
  if (key.size() < 2 || key[0] != prefix) return std::nullopt;
  const std::string_view digits = key.substr(1);
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  // Canonical text only: what NumberKey writes for the number it read.
  const bool negative = digits[0] == '-';
  const std::string_view magnitude = digits.substr(negative ? 1 : 0);
  if (magnitude.size() > 1 && magnitude[0] == '0') return std::nullopt;
  if (negative && number == 0) return std::nullopt;
  return number;
}

}  // namespace quorvel

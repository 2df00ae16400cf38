#include "reference/index/number_index.hpp"

#include <stdexcept>

namespace quorvel {

bool NumberIndex::Add(std::int32_t number, std::uint32_t position) {
  if (position >= kPositionLimit) throw std::length_error("number index full");
  if (Find(number)) return false;
  Reserve();
  table_.Insert(Spread(number), {number, position + 1});
  ++used_;
  return true;
}

}  // namespace quorvel

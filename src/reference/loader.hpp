// Loading the four reference tables from the six data islands of a host page.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <memory>

#include "quorvel/quorvel.hpp"
#include "reference/reference_tables.hpp"

namespace quorvel {

// Where each island stands in kIslandIds, the loading order.
enum IslandPosition : std::size_t {
  kTaxData,
  kTaxModelHdrData,
  kTaxModelData,
  kTaxGroupData,
  kTaxGroupItemData,
  kTaxStatusData,
  kIslandCount
};
static_assert(kIslandCount == std::size(kIslandIds), "one position for each island of kIslandIds");

// The six islands, parsed, by position.
using Islands = std::array<IslandDocument, kIslandCount>;

// Asks the host for all six islands; fails (kIslandMissing) if it cannot give one.
Islands FetchIslands(const HostPage& host);

// Builds the four tables from the islands. Throws Error naming the island, row, attribute and
// value at the first row that cannot be loaded.
std::shared_ptr<const ReferenceTables> BuildReferenceTables(const Islands& islands);

}  // namespace quorvel

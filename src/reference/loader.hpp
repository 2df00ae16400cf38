// Loading the four reference tables from the six data islands of a host page.
#pragma once

#include <memory>

#include "quorvel/quorvel.hpp"
#include "reference/reference_tables.hpp"

namespace quorvel {

// The six islands, parsed, in loading order.
struct Islands {
  IslandDocument taxData, TaxModelHdrData, TaxModelData, TaxGroupData, TaxGroupItemData,
      TaxStatusData;
};

// Asks the host for all six islands; fails (kIslandMissing) if it cannot give one.
Islands FetchIslands(const HostPage& host);

// Builds the four tables from the islands. Throws Error naming the island, row, attribute and
// value at the first row that cannot be loaded.
std::shared_ptr<const ReferenceTables> BuildReferenceTables(const Islands& islands);

}  // namespace quorvel

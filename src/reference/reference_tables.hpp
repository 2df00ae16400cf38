// The four reference tables of one load, and their version. Built once by the loader, then only
// read.
#pragma once

#include <memory>
#include <string>

#include "quorvel/quorvel.hpp"
#include "reference/collections.hpp"

namespace quorvel {

struct ReferenceTables {
  std::shared_ptr<CTaxes> Taxes = std::make_shared<CTaxes>();
  std::shared_ptr<CTaxModels> TaxModels = std::make_shared<CTaxModels>();
  std::shared_ptr<CTaxGroups> TaxGroups = std::make_shared<CTaxGroups>();
  std::shared_ptr<CTaxStatuses> TaxStatuses = std::make_shared<CTaxStatuses>();
  std::string version;  // what TablesVersion gives, computed once the four tables are built
};

}  // namespace quorvel

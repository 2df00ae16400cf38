#include "control/mod_tax.hpp"

#include <utility>

namespace quorvel::ModTax {
namespace {

thread_local std::shared_ptr<const ReferenceTables> threadTables;

}  // namespace

std::shared_ptr<const ReferenceTables> ThreadTables() { return threadTables; }

void InstallThreadTables(std::shared_ptr<const ReferenceTables> tables) {
  threadTables = std::move(tables);
}

}  // namespace quorvel::ModTax

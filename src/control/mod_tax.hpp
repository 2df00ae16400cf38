// The shared state of the control: each thread's reference tables, absent until its first load.
#pragma once

#include <memory>

#include "reference/reference_tables.hpp"

namespace quorvel::ModTax {

// The calling thread's reference tables, or none (nullptr) before its first load.
std::shared_ptr<const ReferenceTables> ThreadTables();

// Makes `tables` the calling thread's reference tables, replacing all four at once.
void InstallThreadTables(std::shared_ptr<const ReferenceTables> tables);

}  // namespace quorvel::ModTax

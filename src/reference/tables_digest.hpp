// The tables' version: a digest of what was loaded, so that the same rows give the same version
// whatever the text they came from.
#pragma once

#include <string>

#include "reference/reference_tables.hpp"

namespace quorvel {

// The first 16 hexadecimal digits of SHA-256 over the four tables' values, table by table in
// loading order, each table's row count first and every text prefixed by its length, so that no
// two different contents are fed as the same bytes. The bytes fed are this build's own choice:
// the version is for telling contents apart, not for reproducing elsewhere.
std::string ContentVersion(const ReferenceTables& tables);

}  // namespace quorvel

// Where the reference tables of a command come from: `--tables DIR`, or the example tables built
// into the tool.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "quorvel/quorvel.hpp"

namespace quorvel::cli {

// The six example islands built into the tool (generated at build time).
std::map<std::string, std::string, std::less<>> ExampleTables();

// Loads the tables of the folder `folder`, or the built-in example tables when it is empty.
std::shared_ptr<const ReferenceTables> LoadTables(const std::string& folder);

}  // namespace quorvel::cli

#include "tables_source.hpp"

namespace quorvel::cli {

std::shared_ptr<const ReferenceTables> LoadTables(const std::string& folder) {
  const std::shared_ptr<HostPage> host = folder.empty() ? MakeMemoryHost(ExampleTables()) : MakeFolderHost(folder);
  return LoadReferenceTables(*host);
}

}  // namespace quorvel::cli

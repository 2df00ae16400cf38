#include "table_store.hpp"

#include <filesystem>
#include <system_error>
#include <thread>

#include "log.hpp"

namespace quorvel::service {
namespace {

std::string ReadIsland(const std::filesystem::path& folder, const std::string& islandId) {
  const std::string fileName = islandId + ".xml";
  // Only a regular file: a FIFO would hold the reload until a writer came.
  try {
    return ReadWholeFile((folder / fileName).string(), FileKinds::kRegularOnly);
  } catch (const Error& error) {
    // The reader's "cannot read: why", with the island and the file named.
    const std::string& description = error.description();
    throw Error(errors::kIslandMissing,
                "island \"" + islandId + "\": cannot read " + fileName + description.substr(description.find(':')));
  }
}

}  // namespace

Islands ReadIslandFolder(const std::string& folder, std::string& folderName) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(folder, error);
  if (error) {
    throw Error(errors::kIslandMissing, "the tables folder cannot be opened: " + error.message());
  }
  folderName = resolved.filename().string();
  Islands islands;
  for (const char* islandId : kIslandIds) islands[islandId] = ReadIsland(resolved, islandId);
  return islands;
}

std::shared_ptr<const TableSet> LoadTableSet(const Islands& islands, std::string source) {
  const auto started = std::chrono::steady_clock::now();
  auto set = std::make_shared<TableSet>();
  set->tables = LoadReferenceTables(*MakeMemoryHost(islands));
  set->version = TablesVersion(*set->tables);
  set->source = std::move(source);
  set->rows = CountRows(*set->tables);
  set->loadedAt = std::chrono::system_clock::now();
  set->loadMilliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  return set;
}

std::shared_ptr<const TableSet> LoadInitialTables(const std::string& folder, const Islands& builtIn) {
  if (folder.empty()) return LoadTableSet(builtIn, "built-in");
  std::string folderName;
  Islands islands = ReadIslandFolder(folder, folderName);
  return LoadTableSet(islands, folderName);
}

TableStore::TableStore(std::string folder, std::shared_ptr<const TableSet> initial)
    : folder_(std::move(folder)), current_(std::move(initial)) {}

std::shared_ptr<const TableSet> TableStore::Current() const {
  const std::scoped_lock lock(mutex_);
  return current_;
}

std::shared_ptr<const TableSet> TableStore::Reload() {
  const std::scoped_lock reloading(reloading_);
  std::shared_ptr<const TableSet> fresh = LoadInitialTables(folder_, {});
  std::error_code ignored;
  if (!holdWhile_.empty() && std::filesystem::exists(holdWhile_, ignored)) {
    LogLine("test hook: the reload holds while " + holdWhile_ + " exists");
    while (std::filesystem::exists(holdWhile_, ignored)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::scoped_lock lock(mutex_);
  current_ = fresh;
  return fresh;
}

}  // namespace quorvel::service

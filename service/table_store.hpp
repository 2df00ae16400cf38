// The tables the service calculates with, and their replacement by a reload.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "quorvel/quorvel.hpp"
#include "serve.hpp"

namespace quorvel::service {

// One loaded set of tables and what identifies it. Immutable once made.
struct TableSet {
  std::shared_ptr<const ReferenceTables> tables;
  std::string version;  // TablesVersion of the tables: the same rows give the same version
  std::string source;   // "built-in", or the last name of the folder the islands came from
  std::chrono::system_clock::time_point loadedAt;
  double loadMilliseconds = 0;
  TableCounts rows;
};

// Reads the six islands from the folder that `folder` names at this moment (resolved once, so a
// symbolic link switched meanwhile cannot mix two sets); `folderName` receives its last name.
// Throws Error (kIslandMissing) naming the island and its file, never the server's path.
Islands ReadIslandFolder(const std::string& folder, std::string& folderName);

// Loads islands into a table set. Throws Error when they do not load.
std::shared_ptr<const TableSet> LoadTableSet(const Islands& islands, std::string source);

// The current table set, shared by all requests; a reload swaps it atomically. Requests keep the
// set they started with for as long as they need it.
class TableStore {
 public:
  // `folder` empty: built-in tables, which cannot be reloaded.
  TableStore(std::string folder, std::shared_ptr<const TableSet> initial);

  std::shared_ptr<const TableSet> Current() const;
  bool Reloadable() const { return !folder_.empty(); }
  // Loads the folder again and makes it current; on failure throws Error and keeps the old set.
  std::shared_ptr<const TableSet> Reload();

  // For tests only: from now on a reload, once it has read the folder, waits while `file` exists,
  // so that a test can hold a load in progress for as long as it needs.
  void HoldReloadsWhileForTests(std::string file) { holdWhile_ = std::move(file); }

 private:
  std::string folder_;
  mutable std::mutex mutex_;  // guards current_
  std::mutex reloading_;      // one reload at a time
  std::shared_ptr<const TableSet> current_;
  std::string holdWhile_;
};

// Loads the tables the service starts with: the folder's, or the built-in ones.
std::shared_ptr<const TableSet> LoadInitialTables(const std::string& folder, const Islands& builtIn);

}  // namespace quorvel::service

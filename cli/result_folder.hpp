// The folder of `batch --out`: for each input <name>.xml, <name>.result.xml when it was
// calculated, or <name>.error.json when it failed, never both from different runs.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "input_files.hpp"

namespace quorvel::cli {

class ResultFolder {
 public:
  explicit ResultFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // Refuses (UsageError) inputs whose results would overwrite each other or another input.
  void RefuseClashes(const std::vector<InputFile>& inputs) const;

  // Creates the folder if it is not there; throws quorvel::Error (errors::kCannotWrite).
  void Create() const;

  // Removes an earlier <name>.error.json, then writes <name>.result.xml whole, replacing any
  // earlier one. Throws quorvel::Error (errors::kCannotWrite); the earlier result is then kept.
  void WriteResult(const std::string& input, std::string_view result) const;

  // Removes an earlier <name>.result.xml unless `keepResult` (its replacement could not be
  // written), then writes <name>.error.json whole. Throws quorvel::Error (errors::kCannotWrite).
  void WriteError(const std::string& input, int number, std::string_view description, bool keepResult) const;

 private:
  std::filesystem::path ResultPath(const std::string& input) const;
  std::filesystem::path ErrorPath(const std::string& input) const;

  std::filesystem::path folder_;
};

}  // namespace quorvel::cli

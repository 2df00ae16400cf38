#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "common/error.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel {
namespace {

// Islands as files named after their identifiers: "<folder>/taxData.xml" and so on.
class FolderHost final : public HostPage {
 public:
  explicit FolderHost(std::string folder) : folder_(std::move(folder)) {}

  IslandDocument Island(std::string_view islandId) const override {
    const std::string path = folder_ + "/" + std::string(islandId) + ".xml";
    const auto cannotRead = [&](std::string_view why) {
      Raise(errors::kIslandMissing,
            "island " + Quoted(islandId) + ": cannot read " + Quoted(path) + (why.empty() ? "" : ": ") + std::string(why));
    };
    // Only a regular file: opening a FIFO would wait for a writer, and a folder reads as empty.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!error && !std::filesystem::is_regular_file(status)) {
      cannotRead(std::filesystem::is_directory(status) ? "it is a folder" : "it is not a regular file");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) cannotRead("");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) cannotRead("read error");
    return ParseIsland(islandId, text.str());
  }

 private:
  std::string folder_;
};

}  // namespace

std::shared_ptr<HostPage> MakeFolderHost(std::string folder) {
  return std::make_shared<FolderHost>(std::move(folder));
}

}  // namespace quorvel

#include <string>

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
    return ParseIsland(islandId, ReadIsland(islandId, path));
  }

 private:
  // Only a regular file: opening a FIFO would wait for a writer.
  static std::string ReadIsland(std::string_view islandId, const std::string& path) {
    try {
      return ReadWholeFile(path, FileKinds::kRegularOnly);
    } catch (const Error& error) {
      if (error.number() != errors::kCannotRead) {
        throw Error(error.number(), "island " + Quoted(islandId) + ": " + error.description());
      }
      // The reader's "cannot read: why", with the island and the file named.
      const std::string& description = error.description();
      Raise(errors::kIslandMissing, "island " + Quoted(islandId) + ": cannot read " + Quoted(path) +
                                        description.substr(description.find(':')));
    }
  }

  std::string folder_;
};

}  // namespace

std::shared_ptr<HostPage> MakeFolderHost(std::string folder) {
  return std::make_shared<FolderHost>(std::move(folder));
}

}  // namespace quorvel

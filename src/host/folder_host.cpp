#include <fstream>
#include <sstream>
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
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      Raise(errors::kIslandMissing, "island " + Quoted(islandId) + ": cannot read " + Quoted(path));
    }
    std::ostringstream text;
    text << file.rdbuf();
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

#include <string>

#include "common/error.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel {
namespace {

// Islands as texts held in memory, keyed by identifier.
class MemoryHost final : public HostPage {
 public:
  explicit MemoryHost(std::map<std::string, std::string, std::less<>> islands)
      : islands_(std::move(islands)) {}

  IslandDocument Island(std::string_view islandId) const override {
    const auto found = islands_.find(islandId);
    if (found == islands_.end()) {
      Raise(errors::kIslandMissing, "island " + Quoted(islandId) + ": the host page has none");
    }
    return ParseIsland(islandId, found->second);
  }

 private:
  std::map<std::string, std::string, std::less<>> islands_;
};

}  // namespace

std::shared_ptr<HostPage> MakeMemoryHost(std::map<std::string, std::string, std::less<>> islands) {
  return std::make_shared<MemoryHost>(std::move(islands));
}

}  // namespace quorvel

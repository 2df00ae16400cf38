#include <memory>
#include <new>
#include <string>

#include "common/error.hpp"
#include "quorvel/quorvel.hpp"
#include "xml/document.hpp"
#include "xml/wellformed/text_position.hpp"

namespace quorvel {

IslandDocument ParseIsland(std::string_view islandId, std::string_view text) {
  try {
    auto document = std::make_shared<xml::Document>();
    const xml::ParseOutcome outcome = document->Parse(text);
    if (!outcome.parsed) {
      Raise(errors::kIslandMissing, "island " + Quoted(islandId) + " is not well-formed XML (" + outcome.reason +
                                        " at " + xml::TextPosition(text, outcome.offset) + ")");
    }
    return document;
  } catch (const std::bad_alloc&) {
    Raise(errors::kOutOfMemory, "out of memory");
  }
}

}  // namespace quorvel

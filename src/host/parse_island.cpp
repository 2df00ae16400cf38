#include <memory>
#include <string>

#include "common/error.hpp"
#include "quorvel/quorvel.hpp"
#include "xml/document.hpp"

namespace quorvel {
namespace {

// "line L, column C" of the byte `offset` of `text`.
std::string Position(std::string_view text, std::size_t offset) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

IslandDocument ParseIsland(std::string_view islandId, std::string_view text) {
  auto document = std::make_shared<xml::Document>();
  const xml::ParseOutcome outcome = document->Parse(text);
  if (!outcome.parsed) {
    Raise(errors::kIslandMissing, "island " + Quoted(islandId) + " is not well-formed XML (" +
                                      outcome.reason + " at " + Position(text, outcome.offset) + ")");
  }
  return document;
}

}  // namespace quorvel

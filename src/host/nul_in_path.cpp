#include "host/nul_in_path.hpp"

#include <string>

#include "common/error.hpp"

namespace quorvel {

void RefuseNulInPath(std::string_view path) {
  const std::size_t nul = path.find('\0');
  if (nul == std::string_view::npos) return;
  std::string shown;
  for (const char c : path) shown += c == '\0' ? std::string_view("\\0") : std::string_view(&c, 1);
  Raise(errors::kIslandMissing, "the path " + Quoted(shown) + " holds a NUL character at byte " +
                                    std::to_string(nul) + ": refused rather than cut short there");
}

}  // namespace quorvel

// Paths go to the operating system as C strings, which end at the first NUL character: a path
// holding one would silently name another file.
#pragma once

#include <string_view>

namespace quorvel {

// Throws Error (kIslandMissing) naming the NUL and where it is when `path` holds one.
void RefuseNulInPath(std::string_view path);

}  // namespace quorvel

// Replaces a file as a whole: readers see the old content or the new, never part of it.
#pragma once

#include <filesystem>
#include <string_view>

namespace quorvel::batch {

// Writes `text` to a temporary file beside `target` (named ".<name>.<pid>-<n>.tmp", so never taken
// for a result) and renames it over `target`. A symbolic link at `target` is replaced, not
// followed. On failure the temporary file is removed, `target` is left as it was, and
// quorvel::Error (kCannotWrite) says why.
void ReplaceFile(const std::filesystem::path& target, std::string_view text);

// Removes `path` if it is there; throws quorvel::Error (kCannotWrite) when it cannot.
void RemoveIfPresent(const std::filesystem::path& path);

}  // namespace quorvel::batch

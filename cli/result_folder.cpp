#include "result_folder.hpp"

#include <map>
#include <set>
#include <system_error>

#include "atomic_file.hpp"
#include "json_lines.hpp"
#include "quorvel/quorvel.hpp"
#include "tool_errors.hpp"
#include "usage_error.hpp"

namespace quorvel::cli {
namespace {

namespace fs = std::filesystem;

std::string Stem(const std::string& input) { return fs::path(input).stem().string(); }

// The one name of a directory entry, however it is written: its folder resolved, its own name as
// it is (a link there is the entry itself, which a rename would replace).
std::string EntryIdentity(const fs::path& path) {
  const fs::path absolute = fs::absolute(path);
  std::error_code ignored;  // a folder that cannot be resolved is compared as written
  const fs::path folder = fs::weakly_canonical(absolute.parent_path(), ignored);
  return ((folder.empty() ? absolute.parent_path() : folder) / absolute.filename()).string();
}

}  // namespace

fs::path ResultFolder::ResultPath(const std::string& input) const { return folder_ / (Stem(input) + ".result.xml"); }

fs::path ResultFolder::ErrorPath(const std::string& input) const { return folder_ / (Stem(input) + ".error.json"); }

void ResultFolder::RefuseClashes(const std::vector<InputFile>& inputs) const {
  std::map<std::string, const std::string*> inputByIdentity;
  for (const InputFile& input : inputs) inputByIdentity.emplace(EntryIdentity(input.path), &input.path);
  std::map<std::string, const std::string*> writerByName;
  for (const InputFile& input : inputs) {
    const auto [earlier, added] = writerByName.emplace(Stem(input.path), &input.path);
    if (!added) {
      throw UsageError("\"" + *earlier->second + "\" and \"" + input.path + "\" would both write " +
                       ResultPath(input.path).string());
    }
    for (const fs::path& output : {ResultPath(input.path), ErrorPath(input.path)}) {
      const auto clash = inputByIdentity.find(EntryIdentity(output));
      if (clash != inputByIdentity.end()) {
        throw UsageError("the result of \"" + input.path + "\" would be written over the input \"" +
                         *clash->second + "\"");
      }
    }
  }
}

void ResultFolder::Create() const {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (error) {
    throw Error(errors::kCannotWrite, "cannot create the folder \"" + folder_.string() + "\": " + error.message());
  }
}

void ResultFolder::WriteResult(const std::string& input, std::string_view result) const {
  RemoveIfPresent(ErrorPath(input));
  ReplaceFile(ResultPath(input), result);
}

void ResultFolder::WriteError(const std::string& input, int number, std::string_view description,
                              bool keepResult) const {
  if (!keepResult) RemoveIfPresent(ResultPath(input));
  ReplaceFile(ErrorPath(input), ErrorRecord(input, number, description));
}

}  // namespace quorvel::cli

// The result folder of a batch run (quorvel/batch.hpp).
#include <map>
#include <system_error>

#include "atomic_file.hpp"
#include "quorvel/batch.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel::batch {
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
      throw InputsRefused("\"" + *earlier->second + "\" and \"" + input.path + "\" would both write " +
                       ResultPath(input.path).string());
    }
    for (const fs::path& output : {ResultPath(input.path), ErrorPath(input.path)}) {
      const auto clash = inputByIdentity.find(EntryIdentity(output));
      if (clash != inputByIdentity.end()) {
        throw InputsRefused("the result of \"" + input.path + "\" would be written over the input \"" +
                         *clash->second + "\"");
      }
    }
  }
}

void ResultFolder::Create() const {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (error) {
    throw Error(kCannotWrite, "cannot create the folder \"" + folder_.string() + "\": " + error.message());
  }
}

// The new file is renamed in before the other one goes: a process killed between the two leaves
// both, never neither.
void ResultFolder::WriteResult(const std::string& input, std::string_view result) const {
  ReplaceFile(ResultPath(input), result);
  RemoveIfPresent(ErrorPath(input));
}

void ResultFolder::WriteError(const std::string& input, int number, std::string_view description,
                              bool keepResult) const {
  ReplaceFile(ErrorPath(input), ErrorRecord(input, number, description));
  if (!keepResult) RemoveIfPresent(ResultPath(input));
}

void ResultFolder::Record(const std::string& input, Outcome& outcome) const {
  bool keepResult = false;
  if (!outcome.failed) {
    try {
      WriteResult(input, outcome.text);
      outcome.text.clear();
      return;
    } catch (const Error& error) {
      outcome.failed = true;
      outcome.number = error.number();
      outcome.text = error.description();
      keepResult = true;
    }
  }
  try {
    WriteError(input, outcome.number, outcome.text, keepResult);
  } catch (const Error& error) {
    outcome.text += "; " + error.description();
  }
}

}  // namespace quorvel::batch

// Runs a fuzz target without libFuzzer: the empty input, then every file named on the command line
// and every file in a folder named there, in name order. A finding stops the program (abort or a
// sanitizer report), so a replay that returns 0 found nothing.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "quorvel/quorvel.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputFiles(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path argument = argv[i];
    if (!std::filesystem::is_directory(argument)) {
      files.push_back(argument);
      continue;
    }
    std::vector<std::filesystem::path> inFolder;
    for (const auto& entry : std::filesystem::directory_iterator(argument)) {
      if (entry.is_regular_file()) inFolder.push_back(entry.path());
    }
    std::sort(inFolder.begin(), inFolder.end());
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  return files;
}

bool Replay(const std::filesystem::path& file) {
  std::string bytes;
  try {
    bytes = quorvel::ReadWholeFile(file.string(), quorvel::FileKinds::kAny);
  } catch (const quorvel::Error& error) {
    std::fprintf(stderr, "replay: %s: %s\n", file.c_str(), error.description().c_str());
    return false;
  }
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::filesystem::path> files = InputFiles(argc, argv);
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }
  LLVMFuzzerTestOneInput(nullptr, 0);
  int replayed = 0;
  for (const auto& file : files) {
    if (!Replay(file)) return 1;
    ++replayed;
  }
  std::printf("replayed %d inputs and the empty input: no finding\n", replayed);
  return 0;
}

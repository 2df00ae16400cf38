// ReadWholeFile on each kind of entry a user or a folder may hand it: the whole text, or why not.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

enum class Entry { kFile, kNothing, kFolder, kFifo };

struct ReadCase {
  std::string name;
  Entry entry;
  std::string content;  // of the file
  FileKinds kinds;
  std::string outcome;  // the text read, or "error N: description"
};
void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class WholeFile : public ::testing::TestWithParam<ReadCase> {};

TEST_P(WholeFile, GivesTheTextOrSaysWhy) {
  const ReadCase& c = GetParam();
  const fs::path path = fs::temp_directory_path() / ("quorvel_whole_file_" + std::to_string(getpid()));
  fs::remove_all(path);
  if (c.entry == Entry::kFile) std::ofstream(path, std::ios::binary) << c.content;
  if (c.entry == Entry::kFolder) fs::create_directory(path);
  if (c.entry == Entry::kFifo) {
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  }
  std::string outcome;
  alarm(10);  // a reader that waits for the FIFO's writer is killed, failing the test
  const auto caught = testing::ErrorOf([&] { outcome = ReadWholeFile(path.string(), c.kinds); });
  alarm(0);
  fs::remove_all(path);
  if (caught) outcome = "error " + std::to_string(caught->number) + ": " + caught->description;
  EXPECT_EQ(outcome, c.outcome);
}

const std::string kBytes("<a>\0\xC3\xA9\xFF</a>\n", 12);

INSTANTIATE_TEST_SUITE_P(
    Reader, WholeFile,
    ::testing::Values(
        ReadCase{"regular file with NUL and non-ASCII bytes", Entry::kFile, kBytes, FileKinds::kRegularOnly, kBytes},
        ReadCase{"empty file", Entry::kFile, "", FileKinds::kAny, ""},
        ReadCase{"missing file", Entry::kNothing, "", FileKinds::kAny,
                 "error 2001: cannot read: No such file or directory"},
        ReadCase{"folder refused as not regular", Entry::kFolder, "", FileKinds::kRegularOnly,
                 "error 2001: cannot read: not a regular file"},
        ReadCase{"folder fails to read", Entry::kFolder, "", FileKinds::kAny, "error 2001: cannot read: Is a directory"},
        ReadCase{"FIFO refused without waiting for a writer", Entry::kFifo, "", FileKinds::kRegularOnly,
                 "error 2001: cannot read: not a regular file"}),
    testing::CaseName());

}  // namespace
}  // namespace quorvel

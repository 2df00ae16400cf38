// Reading a whole file or standard input with POSIX calls, so that every failure has its reason:
// a stream would take a read error in mid-file for the end of the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "common/error.hpp"
#include "host/nul_in_path.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel {
namespace {

[[noreturn]] void CannotRead(const std::string& why) { Raise(errors::kCannotRead, "cannot read: " + why); }

[[noreturn]] void CannotRead(int error) { CannotRead(std::system_category().message(error)); }

// Reads `fd` to its end. A regular file is read into a buffer of its size at once.
std::string ReadAll(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0) CannotRead(errno);
  std::string text;
  std::size_t size = 0;
  text.resize(S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 65536);
  for (;;) {
    if (size == text.size()) text.resize(text.size() * 2);
    const ssize_t got = read(fd, text.data() + size, text.size() - size);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      CannotRead(errno);
    }
    size += static_cast<std::size_t>(got);
  }
  text.resize(size);
  return text;
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { close(fd_); }
  int get() const { return fd_; }

 private:
  int fd_;
};

int OpenForReading(const std::string& path, FileKinds kinds) {
  // Opening a FIFO waits for a writer: found in a folder, it must not even be waited on.
  const int flags = O_RDONLY | O_CLOEXEC | (kinds == FileKinds::kRegularOnly ? O_NONBLOCK : 0);
  for (;;) {
    const int fd = open(path.c_str(), flags);
    if (fd >= 0) return fd;
    if (errno != EINTR) CannotRead(errno);
  }
}

}  // namespace

std::string ReadWholeFile(const std::string& path, FileKinds kinds) {
  RefuseNulInPath(path);
  const FileDescriptor fd(OpenForReading(path, kinds));
  if (kinds == FileKinds::kRegularOnly) {
    struct stat info {};
    if (fstat(fd.get(), &info) != 0) CannotRead(errno);
    if (!S_ISREG(info.st_mode)) CannotRead("not a regular file");
  }
  return ReadAll(fd.get());
}

std::string ReadStandardInput() { return ReadAll(STDIN_FILENO); }

}  // namespace quorvel

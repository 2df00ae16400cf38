// The lock of a result folder (quorvel/batch.hpp). The lock file is removed when the run ends, so
// a run leaves only results behind. A run that opened the file just before the holder removed it
// locks a file no longer in the folder: it then opens the folder's file again.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "quorvel/batch.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel::batch {
namespace {

namespace fs = std::filesystem;

fs::path LockPath(const fs::path& folder) { return folder / kLockFileName; }

[[noreturn]] void CannotLock(const fs::path& folder, const std::string& why, int error) {
  throw Error(kCannotWrite, "cannot lock the folder \"" + folder.string() + "\" for this run: " + why + ": " +
                                std::system_category().message(error));
}

// Who holds the lock, as the holder wrote it into the lock file.
std::string Holder(int fd) {
  char text[512];
  const ssize_t read = pread(fd, text, sizeof text, 0);
  std::string holder(text, read > 0 ? static_cast<std::size_t>(read) : 0);
  while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\0')) holder.pop_back();
  return holder.empty() ? "a run that has not yet written its name" : holder;
}

// Whether `fd` is still the file at `path` (the holder before removes it when it ends).
bool IsStillInPlace(int fd, const fs::path& path) {
  struct stat held {}, named {};
  return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

// Writes "pid <n>: <command>" into the lock file; the error number of the failure, or 0.
int WriteHolder(int fd, std::string_view command) {
  const std::string holder = "pid " + std::to_string(getpid()) + ": " + std::string(command) + "\n";
  if (ftruncate(fd, 0) != 0) return errno;
  const ssize_t written = pwrite(fd, holder.data(), holder.size(), 0);
  if (written < 0) return errno;
  return static_cast<std::size_t>(written) == holder.size() ? 0 : ENOSPC;
}

}  // namespace

FolderLock::FolderLock(const fs::path& folder, std::string_view command) : folder_(folder), fd_(-1) {
  const fs::path path = LockPath(folder);
  for (;;) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) CannotLock(folder, "cannot open \"" + path.string() + "\"", errno);
    int locked;
    do {
      locked = flock(fd_, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
      const int error = errno;
      const std::string holder = Holder(fd_);
      close(fd_);
      if (error == EWOULDBLOCK) {
        throw Error(kCannotWrite, "the folder \"" + folder.string() + "\" is in use by another run (" + holder +
                                      "); two runs must not write one folder at once");
      }
      CannotLock(folder, "flock", error);
    }
    if (IsStillInPlace(fd_, path)) break;
    close(fd_);
  }
  if (const int error = WriteHolder(fd_, command); error != 0) {
    unlink(path.c_str());
    close(fd_);
    CannotLock(folder, "cannot write \"" + path.string() + "\"", error);
  }
}

FolderLock::~FolderLock() {
  unlink(LockPath(folder_).c_str());  // still held: no other run has it open and locked
  close(fd_);
}

}  // namespace quorvel::batch

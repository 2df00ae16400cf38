#include "atomic_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "quorvel/batch.hpp"
#include "quorvel/quorvel.hpp"
#include "temporary_files.hpp"

namespace quorvel::batch {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void CannotWrite(const fs::path& path, int error) {
  throw Error(kCannotWrite,
              "cannot write \"" + path.string() + "\": " + std::system_category().message(error));
}

// Creates a temporary file of a name unused in `target`'s folder, registered (RemoveTemporaryFiles)
// before it exists; returns its descriptor.
int CreateTemporary(const fs::path& target, fs::path& temporary,
                    std::optional<TemporaryFileRegistration>& registration) {
  static std::atomic<unsigned long> counter{0};
  for (;;) {
    temporary = target.parent_path() / ("." + target.filename().string() + "." + std::to_string(getpid()) + "-" +
                                        std::to_string(counter++) + ".tmp");
    try {
      registration.emplace(temporary.string());
    } catch (const std::runtime_error& error) {
      throw Error(kCannotWrite, "cannot write \"" + target.string() + "\": " + error.what());
    }
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    const int error = errno;
    registration.reset();
    if (error != EEXIST) CannotWrite(target, error);
  }
}

// Writes all of `text`; the error number of the failure, or 0.
int WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : EIO;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace

void ReplaceFile(const fs::path& target, std::string_view text) {
  fs::path temporary;
  std::optional<TemporaryFileRegistration> registration;
  const int fd = CreateTemporary(target, temporary, registration);
  int error = WriteAll(fd, text);
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temporary.c_str());
    CannotWrite(target, error);
  }
}

void RemoveIfPresent(const fs::path& path) {
  if (unlink(path.c_str()) != 0 && errno != ENOENT) {
    throw Error(kCannotWrite,
                "cannot remove \"" + path.string() + "\" of an earlier run: " + std::system_category().message(errno));
  }
}

}  // namespace quorvel::batch

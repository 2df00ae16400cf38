#include "standard_output.hpp"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include "quorvel/quorvel.hpp"
#include "tool_errors.hpp"

namespace quorvel::cli {
namespace {

[[noreturn]] void CannotWrite(int error) {
  throw Error(errors::kCannotWrite, "cannot write to standard output: " + std::system_category().message(error));
}

}  // namespace

void WriteToStandardOutput(std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) CannotWrite(errno);
}

void FlushStandardOutput() {
  errno = 0;
  // An earlier failure may have been recorded without being reported (by another writer).
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) CannotWrite(errno != 0 ? errno : EIO);
}

}  // namespace quorvel::cli

// A command given arguments it cannot work with: reported as "quorvel: <what>", exit status 2.
#pragma once

#include <stdexcept>

namespace quorvel::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace quorvel::cli

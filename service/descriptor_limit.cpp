#include "descriptor_limit.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <limits>

namespace quorvel::service {
namespace {

constexpr std::size_t kDescriptorsBesideConnections = 32;

}  // namespace

std::size_t RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return std::numeric_limits<std::size_t>::max();
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    // An unlimited hard limit is refused above the kernel's own ceiling: the soft one then stays.
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  if (limit.rlim_cur == RLIM_INFINITY) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(limit.rlim_cur);
}

std::size_t ConnectionsAllowed(std::size_t wanted, std::size_t descriptors, std::string& note) {
  const std::size_t room =
      descriptors > kDescriptorsBesideConnections + 1 ? descriptors - kDescriptorsBesideConnections : 1;
  if (wanted <= room) return wanted;
  note = "--max-connections " + std::to_string(wanted) + " lowered to " + std::to_string(room) +
         ": the limit on open files is " + std::to_string(descriptors);
  return room;
}

}  // namespace quorvel::service

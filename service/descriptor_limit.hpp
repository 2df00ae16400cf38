// The limit on open files, which bounds how many connections the service can hold.
#pragma once

#include <cstddef>
#include <string>

namespace quorvel::service {

// Raises the soft limit on open descriptors to the hard one, as far as the system lets it, and
// returns the soft limit then in force.
std::size_t RaiseDescriptorLimit();

// The connections that `descriptors` leave room for, at most `wanted`: some are kept for what the
// service opens besides its connections (standard streams, the event loop, the listening socket,
// the 503 refusals being written, a reload's files). `note` tells why when it is fewer.
std::size_t ConnectionsAllowed(std::size_t wanted, std::size_t descriptors, std::string& note);

}  // namespace quorvel::service

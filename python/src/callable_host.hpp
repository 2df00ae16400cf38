// A host page that asks a Python callable for each island: callable(island id) -> str | bytes.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "quorvel/quorvel.hpp"

namespace quorvel::python {

// The host page of `callable`. Whatever the callable raises (an Exception) or returns other than
// str or bytes fails the load with quorvel::Error kIslandMissing naming the island; a
// quorvel.Error it raises keeps its number when that is a positive int (any other is
// kIslandMissing too, with the host's description). KeyboardInterrupt and other BaseExceptions
// pass through unchanged.
std::shared_ptr<HostPage> MakeCallableHost(pybind11::object callable);

}  // namespace quorvel::python

// Failures the tests provoke to check that the service outlives one it did not expect.
//
// The environment variable QUORVEL_SERVICE_TEST_FAULT, read once, names a place: "read" (inside
// the parser, where Boost.Beast's own read operation calls it), "answer" (turning an answer into
// HTTP) or "send" (after an answer is written). The first request to reach that place throws
// there; every other request is served as usual. Unset, as it is outside the tests, nothing throws.
#pragma once

namespace quorvel::service {

enum class TestFault { kRead, kAnswer, kSend };

// Throws std::runtime_error when `place` is the one named and it has not thrown yet.
void ThrowTestFault(TestFault place);

}  // namespace quorvel::service

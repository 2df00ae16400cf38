#include "test_fault.hpp"

#include <atomic>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace quorvel::service {
namespace {

std::optional<TestFault> NamedFault() {
  const char* name = std::getenv("QUORVEL_SERVICE_TEST_FAULT");
  if (name == nullptr) return std::nullopt;
  const std::string_view place(name);
  if (place == "read") return TestFault::kRead;
  if (place == "answer") return TestFault::kAnswer;
  if (place == "send") return TestFault::kSend;
  return std::nullopt;
}

}  // namespace

void ThrowTestFault(TestFault place) {
  static const std::optional<TestFault> named = NamedFault();
  static std::atomic<bool> thrown{false};
  if (named == place && !thrown.exchange(true)) {
    throw std::runtime_error("a fault provoked by QUORVEL_SERVICE_TEST_FAULT");
  }
}

}  // namespace quorvel::service

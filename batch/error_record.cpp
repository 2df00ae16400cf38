// The content of <name>.error.json.
#include <nlohmann/json.hpp>

#include "quorvel/batch.hpp"

namespace quorvel::batch {

std::string ErrorRecord(std::string_view file, int number, std::string_view description) {
  const nlohmann::ordered_json record = {{"file", file}, {"number", number}, {"description", description}};
  return record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace quorvel::batch

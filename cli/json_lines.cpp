#include "json_lines.hpp"

#include <nlohmann/json.hpp>

namespace quorvel::cli {
namespace {

using Json = nlohmann::ordered_json;  // members in the order written

std::string Line(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string ResultLine(std::string_view file, std::string_view result) {
  return Line({{"file", file}, {"result", result}});
}

std::string ErrorLine(std::string_view file, int number, std::string_view description) {
  return Line({{"file", file}, {"error", {{"number", number}, {"description", description}}}});
}

}  // namespace quorvel::cli

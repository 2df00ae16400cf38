#include "common/error.hpp"

#include <utility>

namespace quorvel {

Error::Error(int number, std::string description)
    : number_(number),
      description_(std::move(description)),
      what_("error " + std::to_string(number_) + ": " + description_) {}

void Raise(int number, std::string description) { throw Error(number, std::move(description)); }

std::string Quoted(std::string_view text) {
  constexpr std::size_t kShown = 60;
  std::string out = "\"";
  out.append(text.substr(0, kShown));
  if (text.size() > kShown) out += "...";
  out += '"';
  return out;
}

}  // namespace quorvel

// Raising errors with a description that says what failed and where.
#pragma once

#include <string>
#include <string_view>

#include "quorvel/quorvel.hpp"

namespace quorvel {

// Throws Error(number, description).
[[noreturn]] void Raise(int number, std::string description);

// A value for a message: in double quotes, cut short when very long.
std::string Quoted(std::string_view text);

// Runs `action` and returns its result; an Error it throws is thrown again with "where: " in
// front of its description, `where` being called only then.
template <typename Where, typename Action>
decltype(auto) WithContext(Where&& where, Action&& action) {
  try {
    return action();
  } catch (const Error& error) {
    throw Error(error.number(), std::string(where()) + ": " + error.description());
  }
}

}  // namespace quorvel

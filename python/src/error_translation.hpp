// Every C++ exception that reaches Python becomes quorvel.Error, with a number and a description.
#pragma once

#include <pybind11/pybind11.h>

#include <exception>
#include <string>
#include <string_view>

namespace quorvel::python {

// Failures that are not quorvel::Error, numbered as the automation runtime numbered them.
inline constexpr int kInternalError = 51;

// A failure as an error number and a description.
struct Failure {
  int number;
  std::string description;
};

// What `error` says: quorvel::Error as it is, std::bad_alloc as error 7, anything else as 51.
Failure Describe(std::exception_ptr error);

// A quorvel.Error instance (needs the GIL).
pybind11::object MakeError(const Failure& failure);

// Takes quorvel.Error from quorvel.errors and makes every C++ exception leaving this module one,
// leaving Python's own exceptions (TypeError for a wrong argument, KeyboardInterrupt) as they are.
void TranslateErrors();

}  // namespace quorvel::python

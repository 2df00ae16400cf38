#include "error_translation.hpp"

#include <new>

#include "quorvel/quorvel.hpp"
#include "texts.hpp"

namespace py = pybind11;

namespace quorvel::python {
namespace {

// quorvel.Error, held for the life of the process (never released: the interpreter may already
// be gone when static objects are destroyed).
PyObject* errorType = nullptr;

}  // namespace

Failure Describe(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const Error& engineError) {
    return {engineError.number(), engineError.description()};
  } catch (const std::bad_alloc&) {
    return {errors::kOutOfMemory, "out of memory"};
  } catch (const std::exception& other) {
    return {kInternalError, other.what()};
  } catch (...) {
    return {kInternalError, "an unknown failure inside the engine"};
  }
}

py::object MakeError(const Failure& failure) {
  return py::handle(errorType)(failure.number, ToDescription(failure.description));
}

void TranslateErrors() {
  errorType = py::object(py::module_::import("quorvel.errors").attr("Error")).release().ptr();
  py::register_local_exception_translator([](std::exception_ptr error) {
    if (!error) return;
    try {
      std::rethrow_exception(error);
    } catch (const py::error_already_set&) {
      throw;
    } catch (const py::builtin_exception&) {
      throw;
    } catch (...) {
      const Failure failure = Describe(std::current_exception());
      try {
        PyErr_SetObject(errorType, MakeError(failure).ptr());
      } catch (py::error_already_set& pythonError) {
        pythonError.restore();
      } catch (...) {
        PyErr_NoMemory();  // the Error itself could not be made
      }
    }
  });
}

}  // namespace quorvel::python

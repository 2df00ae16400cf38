#include "texts.hpp"

#include <new>

#include "quorvel/quorvel.hpp"

namespace py = pybind11;

namespace quorvel::python {
namespace {

// Throws the Python exception being raised; running out of memory is the engine's error 7 there
// as everywhere else.
[[noreturn]] void ThrowPythonError() {
  if (PyErr_ExceptionMatches(PyExc_MemoryError)) {
    PyErr_Clear();
    throw std::bad_alloc();
  }
  throw py::error_already_set();
}

// `object`, a new reference, or the Python exception raised when it could not be made.
py::object Checked(PyObject* object) {
  if (object == nullptr) ThrowPythonError();
  return py::reinterpret_steal<py::object>(object);
}

// The message of the Python exception being raised, which is cleared.
std::string TakePythonError() {
  py::error_already_set error;
  return TextOf(error.value());
}

}  // namespace

std::string_view ViewText(py::handle text, std::string_view what) {
  if (PyBytes_Check(text.ptr())) {
    return {PyBytes_AS_STRING(text.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(text.ptr()))};
  }
  if (!PyUnicode_Check(text.ptr())) {
    throw py::type_error(std::string(what) + " must be str or bytes, not " +
                         TextOf(py::type::handle_of(text).attr("__name__")));
  }
  Py_ssize_t size = 0;
  // The UTF-8 form is kept with the str object, so the view lives as long as the object does.
  const char* data = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
  if (data == nullptr) {
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) ThrowPythonError();
    throw Error(errors::kTypeMismatch,
                std::string(what) + " cannot be encoded as UTF-8: " + TakePythonError());
  }
  return {data, static_cast<std::size_t>(size)};
}

py::object ToPython(const std::string& text, bool asStr) {
  const auto size = static_cast<Py_ssize_t>(text.size());
  if (!asStr) return Checked(PyBytes_FromStringAndSize(text.data(), size));
  PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), size, "strict");
  if (decoded != nullptr) return py::reinterpret_steal<py::object>(decoded);
  if (!PyErr_ExceptionMatches(PyExc_UnicodeDecodeError)) ThrowPythonError();
  throw Error(errors::kTypeMismatch,
              "the result is not valid UTF-8 (" + TakePythonError() +
                  "); pass the transaction as bytes to get the result as bytes");
}

std::string TextOf(py::handle object) {
  const py::object text = Checked(PyObject_Str(object.ptr()));
  return Checked(PyUnicode_AsEncodedString(text.ptr(), "utf-8", "backslashreplace")).cast<std::string>();
}

py::object ToDescription(std::string_view text) {
  return Checked(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
}

}  // namespace quorvel::python

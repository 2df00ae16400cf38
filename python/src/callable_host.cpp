#include "callable_host.hpp"

#include <climits>
#include <optional>
#include <string>
#include <utility>

#include "texts.hpp"

namespace py = pybind11;

namespace quorvel::python {
namespace {

std::string TypeName(py::handle object) { return TextOf(py::type::handle_of(object).attr("__name__")); }

// What `show` (str or repr) makes of `object`. When that fails with an Exception (anything else,
// KeyboardInterrupt say, stops the load), an exception is shown by its arguments as
// BaseException shows them, and anything else by its type.
std::string Shown(py::handle object, PyObject* (*show)(PyObject*) = PyObject_Str) {
  PyObject* text = show(object.ptr());
  if (text == nullptr && PyExceptionInstance_Check(object.ptr()) && PyErr_ExceptionMatches(PyExc_Exception)) {
    PyErr_Clear();
    text = reinterpret_cast<PyTypeObject*>(PyExc_BaseException)->tp_str(object.ptr());
  }
  if (text == nullptr) {
    if (!PyErr_ExceptionMatches(PyExc_Exception)) throw py::error_already_set();
    PyErr_Clear();
    return "<" + TypeName(object) + " that cannot be shown>";
  }
  return TextOf(py::reinterpret_steal<py::object>(text));
}

// The number a quorvel.Error carries, when it is one an error can have: a positive int.
std::optional<int> ErrorNumber(py::handle number) {
  if (!PyLong_Check(number.ptr()) || PyBool_Check(number.ptr())) return std::nullopt;
  int overflow = 0;
  const long value = PyLong_AsLongAndOverflow(number.ptr(), &overflow);
  if (overflow != 0 || value <= 0 || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

// The engine's error for the exception a host raised: a quorvel.Error keeps its number when it
// has a valid one; whatever else the host raised (even an odd quorvel.Error) is a missing island.
Error HostFailure(const std::string& where, py::handle raised, bool isQuorvelError) {
  if (isQuorvelError) {
    const py::object number = py::getattr(raised, "number", py::none());
    const py::object description = py::getattr(raised, "description", py::none());
    const std::string said = Shown(description.is_none() ? raised : py::handle(description));
    if (const std::optional<int> valid = ErrorNumber(number)) return Error(*valid, said);
    return Error(errors::kIslandMissing,
                 where + ": the host raised quorvel.Error numbered " + Shown(number, PyObject_Repr) + ": " + said);
  }
  return Error(errors::kIslandMissing, where + ": the host failed: " + TypeName(raised) + ": " + Shown(raised));
}

class CallableHost final : public HostPage {
 public:
  explicit CallableHost(py::object callable) : callable_(std::move(callable)) {}

  ~CallableHost() override {
    py::gil_scoped_acquire gil;
    callable_ = py::object();
  }

  IslandDocument Island(std::string_view islandId) const override {
    // Parsed without the GIL: only the call and the copy of its text need it.
    return ParseIsland(islandId, IslandText(islandId));
  }

 private:
  std::string IslandText(std::string_view islandId) const {
    const std::string where = "island \"" + std::string(islandId) + "\"";
    py::gil_scoped_acquire gil;
    py::object text;
    try {
      text = callable_(py::str(islandId.data(), islandId.size()));
    } catch (py::error_already_set& error) {
      if (!error.matches(PyExc_Exception)) throw;
      throw HostFailure(where, error.value(), error.matches(py::module_::import("quorvel.errors").attr("Error")));
    }
    if (!PyUnicode_Check(text.ptr()) && !PyBytes_Check(text.ptr())) {
      throw Error(errors::kIslandMissing,
                  where + ": the host gave " + TypeName(text) + ", not str or bytes");
    }
    return std::string(ViewText(text, where));
  }

  py::object callable_;
};

}  // namespace

std::shared_ptr<HostPage> MakeCallableHost(py::object callable) {
  return std::make_shared<CallableHost>(std::move(callable));
}

}  // namespace quorvel::python

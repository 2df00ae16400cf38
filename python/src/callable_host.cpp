#include "callable_host.hpp"

#include <string>
#include <utility>

#include "texts.hpp"

namespace py = pybind11;

namespace quorvel::python {
namespace {

std::string TypeName(py::handle object) { return TextOf(py::type::handle_of(object).attr("__name__")); }

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
      if (error.matches(py::module_::import("quorvel.errors").attr("Error"))) {
        throw Error(error.value().attr("number").cast<int>(), TextOf(error.value().attr("description")));
      }
      throw Error(errors::kIslandMissing, where + ": the host failed: " + TypeName(error.value()) +
                                              ": " + TextOf(error.value()));
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

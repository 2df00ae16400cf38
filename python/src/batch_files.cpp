#include "batch_files.hpp"

#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "error_translation.hpp"
#include "quorvel/batch.hpp"
#include "quorvel/quorvel.hpp"

namespace py = pybind11;

namespace quorvel::python {
namespace {

// A file name as the file system has it: str (as os.fsencode encodes it), bytes or os.PathLike.
std::string FileName(const py::handle& name) {
  return py::module_::import("os").attr("fsencode")(name).cast<std::string>();
}

// A file name as Python shows it (os.fsdecode): bytes that are not UTF-8 kept as surrogates.
py::str ShownName(const std::string& name) {
  PyObject* shown = PyUnicode_DecodeFSDefaultAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
  if (shown == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(shown);
}

py::bytes Read(const batch::InputFile& file) {
  std::string text;
  {
    const py::gil_scoped_release released;
    text = ReadWholeFile(file.path, file.kinds);
  }
  return py::bytes(text);
}

std::vector<batch::InputFile> ExpandInputs(const py::iterable& arguments, bool recursive) {
  std::vector<std::string> names;
  for (const py::handle argument : arguments) names.push_back(FileName(argument));
  const py::gil_scoped_release released;  // "-" reads standard input
  return batch::ExpandInputs(names, {recursive, false});
}

// The outcome handed in: the result (bytes) or the quorvel.Error the transaction failed with.
batch::Outcome OutcomeOf(const py::handle& outcome) {
  batch::Outcome converted;
  if (py::isinstance<py::bytes>(outcome)) {
    converted.text = outcome.cast<std::string>();
    return converted;
  }
  if (!py::isinstance(outcome, py::module_::import("quorvel.errors").attr("Error"))) {
    throw py::type_error("an outcome is the result as bytes or a quorvel.Error");
  }
  converted.failed = true;
  converted.number = outcome.attr("number").cast<int>();
  converted.text = py::str(outcome.attr("description")).cast<std::string>();
  return converted;
}

// Records an outcome; the failure that was recorded (a result that could not be written is
// one), or None.
py::object Record(const batch::ResultFolder& folder, const batch::InputFile& file, const py::handle& outcome) {
  batch::Outcome recorded = OutcomeOf(outcome);
  {
    const py::gil_scoped_release released;
    folder.Record(file.path, recorded);
  }
  if (!recorded.failed) return py::none();
  return MakeError({recorded.number, recorded.text});
}

// The lock of a result folder, held until released or garbage.
struct HeldLock {
  std::optional<batch::FolderLock> lock;
};

std::unique_ptr<HeldLock> Lock(const batch::ResultFolder& folder, const std::string& command) {
  auto held = std::make_unique<HeldLock>();
  held->lock.emplace(folder.path(), command);
  return held;
}

}  // namespace

void BindBatchFiles(py::module_& module) {
  // Never destroyed: the interpreter may be gone by the time static objects are.
  static auto* inputsRefused = new py::exception<batch::InputsRefused>(module, "InputsRefused", PyExc_ValueError);
  py::register_local_exception_translator([](std::exception_ptr error) {
    try {
      if (error) std::rethrow_exception(error);
    } catch (const batch::InputsRefused& refused) {
      (*inputsRefused)(refused.what());
    }
  });

  py::class_<batch::InputFile>(module, "BatchInput", "One transaction file of a batch run.")
      .def_property_readonly("path", [](const batch::InputFile& file) { return ShownName(file.path); })
      .def("read", &Read, "The file's bytes; quorvel.Error (2001) when it cannot be read.");
  module.def("expand_inputs", &ExpandInputs, py::arg("arguments"), py::arg("recursive") = false,
             "The transaction files of files and folders, as `quorvel batch` takes them.");

  py::class_<HeldLock>(module, "FolderLock", "The lock of a result folder, held until released.")
      .def("release", [](HeldLock& held) { held.lock.reset(); })
      .def("__enter__", [](HeldLock& held) -> HeldLock& { return held; })
      .def("__exit__", [](HeldLock& held, const py::args&) { held.lock.reset(); });
  py::class_<batch::ResultFolder>(module, "ResultFolder",
                                  "The folder of <name>.result.xml and <name>.error.json files.")
      .def(py::init([](const py::object& folder) { return batch::ResultFolder(FileName(folder)); }), py::arg("folder"))
      .def("refuse_clashes", &batch::ResultFolder::RefuseClashes, py::arg("inputs"),
           "Raises InputsRefused when outputs would overwrite each other or an input.")
      .def("create", &batch::ResultFolder::Create, "Creates the folder if it is not there.")
      .def("lock", &Lock, py::arg("command"),
           "Locks the folder for this run, or raises quorvel.Error naming the run that holds it.")
      .def("record", &Record, py::arg("input"), py::arg("outcome"),
           "Records a result (bytes) or a quorvel.Error; returns the failure recorded, or None.");
}

}  // namespace quorvel::python

// quorvel._quorvel: the engine for Python. The package quorvel re-exports all of it; its type
// stubs are quorvel/_quorvel.pyi.
//
// Every call that calculates or loads releases the GIL while the engine works, so threads that
// share one set of tables run on as many cores as they have; calculate_many takes it back now and
// then to let Ctrl-C interrupt it. Every C++ exception leaves as
// quorvel.Error (error_translation.hpp).
#include <pybind11/pybind11.h>

#include <chrono>
#include <exception>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch_files.hpp"
#include "callable_host.hpp"
#include "error_translation.hpp"
#include "quorvel/batch.hpp"
#include "quorvel/quorvel.hpp"
#include "texts.hpp"

namespace py = pybind11;

namespace quorvel::python {
namespace {

// Loaded reference tables: immutable, shared by every thread that calculates with them.
struct Tables {
  std::shared_ptr<const ReferenceTables> tables;
};

bool IsInstance(py::handle object, const char* module, const char* type) {
  return py::isinstance(object, py::module_::import(module).attr(type));
}

// The name of a folder as the file system has it, even one that is not UTF-8; a name holding a
// NUL character raises ValueError, as open() does.
std::string FileSystemName(const py::object& path) {
  PyObject* encoded = nullptr;
  if (PyUnicode_FSConverter(path.ptr(), &encoded) == 0) throw py::error_already_set();
  return py::reinterpret_steal<py::bytes>(encoded).cast<std::string>();
}

// The host page of `source`: a folder (str or os.PathLike), a mapping {island id: str | bytes},
// or a callable(island id) -> str | bytes.
std::shared_ptr<HostPage> HostOf(const py::object& source) {
  if (PyUnicode_Check(source.ptr()) || IsInstance(source, "os", "PathLike")) {
    return MakeFolderHost(FileSystemName(source));
  }
  if (IsInstance(source, "collections.abc", "Mapping")) {
    std::map<std::string, std::string, std::less<>> islands;
    for (const py::handle item : source.attr("items")()) {
      const auto pair = item.cast<py::tuple>();
      if (!PyUnicode_Check(pair[0].ptr())) throw py::type_error("island ids must be str");
      const std::string name = TextOf(pair[0]);
      islands.emplace(name, std::string(ViewText(pair[1], "island \"" + name + "\"")));
    }
    return MakeMemoryHost(std::move(islands));
  }
  if (PyCallable_Check(source.ptr())) return MakeCallableHost(source);
  throw py::type_error("the host must be a folder, a mapping of island texts or a callable, not " +
                       TextOf(py::type::handle_of(source).attr("__name__")));
}

Tables LoadTables(const py::object& source) {
  const std::shared_ptr<HostPage> host = HostOf(source);
  py::gil_scoped_release released;
  return Tables{LoadReferenceTables(*host)};
}

py::object Calculate(const Tables& tables, const py::object& transaction) {
  const std::string_view text = ViewText(transaction, "the transaction");
  std::string result;
  {
    py::gil_scoped_release released;
    result = CalculateTaxes(*tables.tables, text);
  }
  return ToPython(result, PyUnicode_Check(transaction.ptr()));
}

// One transaction of calculate_many: its text, then its result or its failure.
struct Item {
  py::object transaction;
  std::string_view text;
  std::string result;
  std::optional<Failure> failure;
};

// How long calculate_many calculates without the GIL before taking it back to let Python handle
// signals: Ctrl-C raises KeyboardInterrupt within about this time (or one transaction's, if longer).
constexpr auto kSignalCheckInterval = std::chrono::milliseconds(20);

// Raises what a signal Python received calls for (KeyboardInterrupt for Ctrl-C). Needs the GIL.
void HandleSignals() {
  if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

// Whether a document refused as not well-formed XML answers "NOHEADER" (a calculation) or fails
// with errors::kDocumentRefused (a file of a batch run, as `quorvel batch` has it).
enum class Refused { kNoHeader, kFails };

void CalculateItem(const Tables& tables, Refused refused, Item& item) {
  if (item.failure) return;
  try {
    if (refused == Refused::kNoHeader) {
      item.result = CalculateTaxes(*tables.tables, item.text);
      return;
    }
    batch::Outcome outcome = batch::CalculateTransaction(*tables.tables, item.text);
    if (outcome.failed) {
      item.failure = Failure{outcome.number, std::move(outcome.text)};
    } else {
      item.result = std::move(outcome.text);
    }
  } catch (...) {
    item.failure = Describe(std::current_exception());
  }
}

// Calculates the items from `next` on without the GIL, until they end or the interval has passed;
// gives the first one left.
std::vector<Item>::iterator CalculateForAWhile(const Tables& tables, Refused refused, std::vector<Item>::iterator next,
                                               std::vector<Item>::iterator end) {
  py::gil_scoped_release released;
  const auto until = std::chrono::steady_clock::now() + kSignalCheckInterval;
  while (next != end) {
    CalculateItem(tables, refused, *next++);
    if (std::chrono::steady_clock::now() >= until) break;
  }
  return next;
}

py::list CalculateTransactions(const Tables& tables, const py::iterable& transactions, Refused refused) {
  // A text is iterable too: one transaction given alone would be calculated character by character.
  if (PyUnicode_Check(transactions.ptr()) || PyBytes_Check(transactions.ptr())) {
    throw py::type_error("calculate_many takes a sequence of transactions, not one transaction");
  }
  std::vector<Item> items;
  for (const py::handle transaction : transactions) {
    HandleSignals();
    Item& item = items.emplace_back();
    item.transaction = py::reinterpret_borrow<py::object>(transaction);
    try {
      item.text = ViewText(transaction, "transaction " + std::to_string(items.size() - 1));
    } catch (const Error&) {
      item.failure = Describe(std::current_exception());
    }
  }
  for (auto next = items.begin(); next != items.end();) {
    next = CalculateForAWhile(tables, refused, next, items.end());
    HandleSignals();
  }
  py::list outcomes(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    HandleSignals();
    Item& item = items[i];
    if (!item.failure) {
      try {
        outcomes[i] = ToPython(item.result, PyUnicode_Check(item.transaction.ptr()));
        std::string().swap(item.result);  // its memory serves the next texts: a lower peak
        continue;
      } catch (const Error&) {
        item.failure = Describe(std::current_exception());
      }
    }
    outcomes[i] = MakeError(*item.failure);
  }
  return outcomes;
}

py::list CalculateMany(const Tables& tables, const py::iterable& transactions) {
  return CalculateTransactions(tables, transactions, Refused::kNoHeader);
}

py::list CalculateBatch(const Tables& tables, const py::iterable& transactions) {
  return CalculateTransactions(tables, transactions, Refused::kFails);
}

std::string DescribeTables(const Tables& tables) {
  const TableCounts counts = CountRows(*tables.tables);
  return "<quorvel.Tables: " + std::to_string(counts.taxes) + " taxes, " +
         std::to_string(counts.taxModels) + " tax models, " + std::to_string(counts.taxGroups) +
         " tax groups, " + std::to_string(counts.taxStatuses) + " tax statuses>";
}

py::object CalcTaxes(const CQuorvel& control, const py::object& transaction) {
  const std::string_view text = ViewText(transaction, "the transaction");
  std::string result;
  {
    py::gil_scoped_release released;
    result = control.CalcTaxes(text);
  }
  return ToPython(result, PyUnicode_Check(transaction.ptr()));
}

void LoadTablesOf(const CQuorvel& control) {
  py::gil_scoped_release released;
  control.LoadTables();
}

void LoadDataObjects(const CQuorvel& control) {
  py::gil_scoped_release released;
  control.LoadDataObjects();
}

py::dict EngineErrorNumbers() {
  py::dict numbers;
  numbers["ABSENT_KEY"] = errors::kAbsentKey;
  numbers["OVERFLOW"] = errors::kOverflow;
  numbers["OUT_OF_MEMORY"] = errors::kOutOfMemory;
  numbers["OUT_OF_RANGE"] = errors::kOutOfRange;
  numbers["TYPE_MISMATCH"] = errors::kTypeMismatch;
  numbers["OBJECT_NOT_SET"] = errors::kObjectNotSet;
  numbers["DUPLICATE_KEY"] = errors::kDuplicateKey;
  numbers["ISLAND_MISSING"] = errors::kIslandMissing;
  numbers["BAD_ROW"] = errors::kBadRow;
  numbers["DOCUMENT_REFUSED"] = errors::kDocumentRefused;
  numbers["CANNOT_READ"] = errors::kCannotRead;
  numbers["INTERNAL_ERROR"] = kInternalError;
  return numbers;
}

}  // namespace
}  // namespace quorvel::python

PYBIND11_MODULE(_quorvel, module) {
  using namespace quorvel::python;
  TranslateErrors();
  module.doc() = "The Quorvel engine; use it through the package quorvel.";
  module.attr("__version__") = quorvel::Version();
  py::tuple islandIds(std::size(quorvel::kIslandIds));
  for (std::size_t i = 0; i < std::size(quorvel::kIslandIds); ++i) islandIds[i] = quorvel::kIslandIds[i];
  module.attr("ISLAND_IDS") = islandIds;
  // The numbers quorvel.errors must agree with (its tests compare them).
  module.attr("_ENGINE_ERROR_NUMBERS") = EngineErrorNumbers();
  BindBatchFiles(module);

  py::class_<Tables>(module, "Tables",
                     "Loaded reference tables: immutable, safe to share between threads.")
      .def("__repr__", &DescribeTables)
      .def_property_readonly(
          "version", [](const Tables& tables) { return TablesVersion(*tables.tables); },
          "The tables' version: 16 hexadecimal digits of a digest of the loaded rows, the same for "
          "the same rows whatever the islands' formatting (what the service sends as Quorvel-Tables).");

  module.def("load_tables", &LoadTables, py::arg("source"),
             "Loads the reference tables from a folder of island files, a mapping "
             "{island id: text} or a callable(island id) -> text.");
  module.def("calculate", &Calculate, py::arg("tables"), py::arg("transaction"),
             "Calculates one transaction: the result rowset or \"NOHEADER\", str for a str and "
             "bytes for bytes.");
  module.def("calculate_many", &CalculateMany, py::arg("tables"), py::arg("transactions"),
             "Calculates transactions in order, without the GIL: a list holding each result or "
             "the quorvel.Error it failed with.");
  module.def("calculate_batch", &CalculateBatch, py::arg("tables"), py::arg("transactions"),
             "Like calculate_many, for the files of a batch run: a document that is not well-formed "
             "XML is quorvel.Error 1003 with the reason, not \"NOHEADER\".");

  py::class_<quorvel::CQuorvel>(module, "CQuorvel",
                                "The control: every control of one thread shares that thread's "
                                "reference tables.")
      .def(py::init([](const py::object& host) { return quorvel::CQuorvel(HostOf(host)); }),
           py::arg("host"))
      .def("CalcTaxes", &CalcTaxes, py::arg("pstrLines"),
           "Calculates one transaction with this thread's tables: the result rowset, \"NODATA\" "
           "before any load on this thread, or \"NOHEADER\".")
      .def("LoadTables", &LoadTablesOf,
           "Loads this thread's tables from the host (the same as LoadDataObjects).")
      .def("LoadDataObjects", &LoadDataObjects,
           "Loads this thread's tables from the host; on failure they stay as they were.");
}

// quorvel._quorvel's share of the files of a batch run (quorvel/batch.hpp), for quorvel.rerate:
// the same input expansion, result folder and lock as `quorvel batch --out`.
#pragma once

#include <pybind11/pybind11.h>

namespace quorvel::python {

// Adds BatchInput, expand_inputs, ResultFolder, FolderLock and InputsRefused to `module`.
void BindBatchFiles(pybind11::module_& module);

}  // namespace quorvel::python

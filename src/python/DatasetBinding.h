#pragma once
// quorvel.dataset and its iterator, added to the module.

#include <pybind11/pybind11.h>

namespace quorvel {

void defineDataset(pybind11::module_& module);

}  // namespace quorvel

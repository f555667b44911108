#pragma once
// kestrano.run: the pipeline on a numpy image, with the GIL released while it
// works so that a thread pool over images keeps every core busy.
#include <pybind11/pybind11.h>

namespace kestrano::python {

void bindRun(pybind11::module_& module);

}  // namespace kestrano::python

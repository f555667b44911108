#pragma once
// kestrano.read_image and kestrano.write_image: the project's own TIFF, PNG
// and PGM readers and writers.
#include <pybind11/pybind11.h>

namespace kestrano::python {

void bindImageFiles(pybind11::module_& module);

}  // namespace kestrano::python

#pragma once
// The pipeline's exceptions as Python exceptions with the same text.
#include <pybind11/pybind11.h>

namespace kestrano::python {

void registerErrorTranslations();

}  // namespace kestrano::python

// The Python module "kestrano".
#include <pybind11/pybind11.h>

#include "python/errors.h"
#include "python/image_files.h"
#include "python/run_function.h"
#include "python/run_result.h"

PYBIND11_MODULE(kestrano, module)
{
    module.doc() = "Straight-line segments in grey images: the Kestrano pipeline on numpy arrays.";
    module.attr("__version__") = KESTRANO_VERSION;
    kestrano::python::registerErrorTranslations();
    kestrano::python::bindRunResult(module);
    kestrano::python::bindRun(module);
    kestrano::python::bindImageFiles(module);
}

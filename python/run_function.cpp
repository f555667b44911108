#include "python/run_function.h"

#include <sstream>
#include <string>
#include <utility>

#include "core/kestrano.h"
#include "python/image_array.h"
#include "python/pixel_size.h"
#include "python/run_parameters.h"
#include "python/run_result.h"

namespace py = pybind11;

namespace kestrano::python {

namespace {

PyRunResult runImage(const py::object& image, bool smoothing, bool gradient, bool threshold, bool lines,
                     int threads, const py::object& pixelSize, const std::string& unit,
                     const py::kwargs& params)
{
    if (threads < 0)
        throw py::value_error("threads: expected 0 (every core) or a positive count, got " +
                              std::to_string(threads));
    const PixelScale scale = pixelScaleFrom(pixelSize, unit);
    const GreyImage input = imageFromArray(image, "image");
    DialogValues dialog;
    dialog.smoothingOn = smoothing;
    dialog.gradientOn = gradient;
    dialog.thresholdingOn = threshold;
    dialog.lineDetectionOn = lines;
    const ParamList list = runParameters(hostParameters(params), dialog);

    std::ostringstream log;
    RunOptions options;
    options.log = &log;
    options.threads = threads;
    RunResult result;
    {
        py::gil_scoped_release released;
        result = run(input.pixels.data(), input.rows, input.cols, list, options);
    }
    return toPython(std::move(result), log.str(), scale);
}

}  // namespace

void bindRun(py::module_& module)
{
    module.def("run", &runImage, py::arg("image"), py::kw_only(), py::arg("smoothing") = true,
               py::arg("gradient") = true, py::arg("threshold") = true, py::arg("lines") = true,
               py::arg("threads") = 0, py::arg("pixel_size") = py::none(), py::arg("unit") = "um",
               R"(Runs the pipeline on a 2-D uint8 or uint16 array and returns a RunResult.

The parameter list is built as `kestrano run` builds it: keyword parameters
(nAng=128, lMinLine=40, speed=2, minSize=50, maxSize=100000, nBins=10,
tipoOutput='n', nIts=25, s=1, w=2, th=150, ...; int or str) play the host's
own list and win; smoothing, gradient, threshold and lines set the dialog's
check boxes. The image is copied: the caller's array is never changed.
threads=0 uses every core. The GIL is released while the pipeline runs.
pixel_size (one number, or (width, height)) in unit gives segments["length"]
in that unit; without it the lengths stay in pixels.)");
}

}  // namespace kestrano::python

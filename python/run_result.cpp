#include "python/run_result.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <utility>
#include <vector>

#include <pybind11/numpy.h>

#include "output/data_files.h"
#include "output/histograms.h"
#include "output/segment_table.h"
#include "python/image_array.h"

namespace py = pybind11;

namespace kestrano::python {

// One record of r.segments; the field names are the columns of the tool's
// segment table.
struct SegmentRecord {
    std::int32_t segment;
    std::uint32_t label;
    std::int32_t x1;
    std::int32_t y1;
    std::int32_t x2;
    std::int32_t y2;
    double length_px;
    double angle_deg;
    double length;
    bool touches_border;
};

namespace {

py::array segmentArray(const RunResult& result, const PixelScale& scale)
{
    const std::vector<SegmentRow> rows = segmentRows(result.lines, result.rows, result.cols, scale);
    py::array_t<SegmentRecord> array(static_cast<py::ssize_t>(rows.size()));
    SegmentRecord* out = array.mutable_data();
    for (const SegmentRow& row : rows)
        *out++ = {row.segment,  row.label,    row.x1,     row.y1,           row.x2,
                  row.y2,       row.lengthPx, row.angleDeg, row.length, row.touchesBorder};
    return std::move(array);
}

py::dict histogramDict(const Histogram& histogram)
{
    py::dict dict;
    dict["values"] = py::array_t<std::int32_t>(static_cast<py::ssize_t>(histogram.binValues.size()),
                                               histogram.binValues.data());
    dict["counts"] = py::array_t<std::int32_t>(static_cast<py::ssize_t>(histogram.binCounts.size()),
                                               histogram.binCounts.data());
    return dict;
}

template <typename Write>
std::string textOf(Write write)
{
    std::ostringstream out;
    write(out);
    return out.str();
}

}  // namespace

PyRunResult toPython(RunResult&& result, std::string&& log, const PixelScale& scale)
{
    PyRunResult py;
    py.segments = segmentArray(result, scale);
    py.unit = scale.known() ? scale.unit : "px";
    py.log = std::move(log);

    std::vector<std::pair<std::string, std::string>> sorted(result.parameters.begin(),
                                                            result.parameters.end());
    std::sort(sorted.begin(), sorted.end());
    for (const auto& [name, value] : sorted)
        py.parameters[py::str(name)] = value;

    const StageSwitches& stages = result.stages;
    py.stages["smoothing"] = stages.smoothing;
    py.stages["gradient"] = stages.gradient;
    py.stages["threshold"] = stages.thresholding;
    py.stages["lines"] = stages.lineDetection;
    if (stages.lineDetection) {
        py.histograms["length"] = histogramDict(result.lengthHistogram);
        py.histograms["angle"] = histogramDict(result.angleHistogram);
        const LineGroups& lines = result.lines;
        py.dataFiles["dataLen.dat"] = textOf([&](std::ostream& o) { writeLengthData(o, lines); });
        py.dataFiles["dataAng.dat"] = textOf([&](std::ostream& o) { writeAngleData(o, lines); });
        py.dataFiles["histoLen.dat"] =
            textOf([&](std::ostream& o) { writeHistogram(o, result.lengthHistogram); });
        py.dataFiles["histoAng.dat"] =
            textOf([&](std::ostream& o) { writeHistogram(o, result.angleHistogram); });
    }

    const DetectionCounts& counts = result.detection;
    py.detection["labelled"] = counts.labelled;
    py.detection["too_large"] = counts.tooLarge;
    py.detection["kept"] = counts.kept;
    py.detection["visited"] = counts.visited;
    py.detection["candidates"] = counts.candidates;
    py.contrast = py::make_tuple(result.contrast.low, result.contrast.high);
    py.thresholdValues = py::make_tuple(result.thresholdValues.low, result.thresholdValues.high);
    py.threshold = result.threshold;
    py.outputType = result.outputType == '\0' ? std::string() : std::string(1, result.outputType);
    py.image = arrayFromPixels(std::move(result.image), result.rows, result.cols);
    return py;
}

void bindRunResult(py::module_& module)
{
    PYBIND11_NUMPY_DTYPE(SegmentRecord, segment, label, x1, y1, x2, y2, length_px, angle_deg, length,
                         touches_border);
    py::class_<PyRunResult>(module, "RunResult", "The outcome of one kestrano.run.")
        .def_readonly("image", &PyRunResult::image,
                      "The buffer after the run, uint16 (rows, cols): the painted image with line "
                      "detection, the preprocessed one without.")
        .def_readonly("segments", &PyRunResult::segments,
                      "One record per segment, in the order of dataLen.dat: segment, label, x1, y1, "
                      "x2, y2 (first and last painted pixel), length_px, angle_deg, length (in "
                      "unit), touches_border.")
        .def_readonly("log", &PyRunResult::log,
                      "The pipeline's lines, exactly as `kestrano run` prints them.")
        .def_readonly("histograms", &PyRunResult::histograms,
                      "{'length': {'values', 'counts'}, 'angle': {...}} with line detection.")
        .def_readonly("parameters", &PyRunResult::parameters, "The parameter list of the run.")
        .def_readonly("data_files", &PyRunResult::dataFiles,
                      "File name -> contents of the four data files `kestrano run` writes.")
        .def_readonly("stages", &PyRunResult::stages, "Which optional stages ran.")
        .def_readonly("detection", &PyRunResult::detection,
                      "Regions labelled, too large, kept, visited, and candidate segments.")
        .def_readonly("contrast", &PyRunResult::contrast, "(low, high) of the contrast stretch.")
        .def_readonly("threshold", &PyRunResult::threshold)
        .def_readonly("threshold_values", &PyRunResult::thresholdValues,
                      "The two values thresholding chose between.")
        .def_readonly("output_type", &PyRunResult::outputType, "'n' painted over, 'c' lines only.")
        .def_readonly("unit", &PyRunResult::unit, "Unit of segments['length']: 'px' without pixel_size.")
        .def("__repr__", [](const PyRunResult& r) {
            const py::array image = r.image;
            return "<kestrano.RunResult " + std::to_string(image.shape(0)) + " x " +
                   std::to_string(image.shape(1)) + ", " + std::to_string(py::len(r.segments)) +
                   " segments>";
        });
}

}  // namespace kestrano::python

#pragma once
// What kestrano.run returns: the core's RunResult as Python objects, built
// once while the GIL is held.
#include <string>

#include <pybind11/pybind11.h>

#include "core/kestrano.h"
#include "core/pixel_scale.h"

namespace kestrano::python {

struct PyRunResult {
    pybind11::object image;           // painted uint16 array (rows, cols)
    pybind11::object segments;        // structured array, one record per segment
    std::string log;                  // the pipeline's lines, as the tool prints them
    pybind11::dict histograms;        // "length", "angle" -> {"values", "counts"}
    pybind11::dict parameters;        // the list the pipeline received
    pybind11::dict dataFiles;         // file name -> contents, as the tool writes them
    pybind11::dict stages;            // which optional stages ran
    pybind11::dict detection;         // region and candidate counts
    pybind11::tuple contrast;         // limits of the contrast stretch
    pybind11::tuple thresholdValues;  // the two values thresholding chose between
    int threshold = 0;
    std::string outputType;
    std::string unit;                 // of the segments' physical length
};

// scale gives the segments' physical lengths; pixels when it is not known.
PyRunResult toPython(RunResult&& result, std::string&& log, const PixelScale& scale);

void bindRunResult(pybind11::module_& module);

}  // namespace kestrano::python

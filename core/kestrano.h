#pragma once
// The embeddable entry point: one run of the pipeline over an image. The
// pipeline's lines go to a stream of the caller's, and everything the result
// files and tables need comes back. Nothing is global, so runs on several
// threads at once are safe.
#include <cstdint>
#include <ostream>
#include <vector>

#include "core/detection_counts.h"
#include "core/grey_range.h"
#include "core/histogram.h"
#include "core/param_list.h"
#include "core/straight_line.h"

namespace kestrano {

struct RunOptions {
    std::ostream* log = nullptr;  // the pipeline's lines; nullptr discards them
    int threads = 0;              // worker threads; 0 uses every core
};

// Which optional stages ran: each is enabled by the presence of its name.
struct StageSwitches {
    bool smoothing = false;       // "nIts"
    bool gradient = false;        // "s"
    bool thresholding = false;    // "th"
    bool lineDetection = false;   // "dl"
};

struct RunResult {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    // The buffer after the run: the painted image with line detection, the
    // preprocessed one without. rows x cols, row after row.
    std::vector<std::uint16_t> image;
    ParamList parameters;  // the list as the pipeline received it
    StageSwitches stages;
    char outputType = '\0';
    GreyRange contrast;    // lower and upper limit of the contrast stretch
    std::int32_t threshold = 0;
    GreyRange thresholdValues;  // the two values thresholding chose between
    // With line detection only:
    DetectionCounts detection;
    LineGroups lines;
    Histogram lengthHistogram;
    Histogram angleHistogram;
};

// Runs the pipeline on a copy of rows x cols pixels. Throws what the pipeline
// throws (std::invalid_argument, std::out_of_range, std::bad_alloc, ...).
RunResult run(const std::uint16_t* pixels, std::int32_t rows, std::int32_t cols,
              const ParamList& params, const RunOptions& options = {});

}  // namespace kestrano

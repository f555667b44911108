#pragma once
// The files of one image's results, in the order run.json lists them. Each is
// one call on StagedFiles, so another output (a picture, a plot) is one more
// line in writeImageResults.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cli/staged_files.h"
#include "core/kestrano.h"
#include "core/pixel_scale.h"
#include "imageio/image_file.h"
#include "output/segment_table.h"

namespace kestrano {

struct ImageResults {
    const GreyImage& painted;             // the run's output image, with the input's resolution
    const RunResult& run;
    const std::vector<SegmentRow>& segments;
    const PixelScale& scale;
    const std::string& lines;             // the pipeline's lines for log.txt
    std::string format;                   // "tif", "png" or "pgm"
    const std::uint16_t* input = nullptr; // the pixels the run started from, for overlay.png
    int threads = 0;                      // for compressing overlay.png; 0: every core
    bool pictures = true;                 // overlay.png, lengths.svg, angles.svg
};

// The four data files (name, content) of a run with line detection, exactly
// as the pipeline's own writers produce them.
std::vector<std::pair<std::string, std::string>> dataFileTexts(const RunResult& run);

// segments.csv: the header, then one row per segment in the order of dataLen.dat.
std::string segmentsCsv(const std::vector<SegmentRow>& rows, const PixelScale& scale);

// lines.<ext>, data/, segments.csv and the pictures (with line detection),
// log.txt. Returns the overlay's thumbnail for report.html, empty when none
// was drawn.
std::string writeImageResults(StagedFiles& files, const ImageResults& results);

}  // namespace kestrano

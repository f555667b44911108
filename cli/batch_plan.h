#pragma once
// What one run of the tool will do, worked out and checked before any image is
// processed: one task per image (per page of a stack), where its results go,
// and every clash or refusal that can be seen up front.
#include <cstddef>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace kestrano {

enum class OutputMode {
    DataOnly,       // neither -o nor --out-dir: the data files only
    SingleImage,    // -o OUTPUT
    ResultsFolder,  // --out-dir DIR
};

struct ImageTask {
    std::string input;        // as given
    std::string name;         // its file name, for progress lines
    std::size_t page = 0;     // 0-based page to read
    std::size_t pageCount = 1;
    std::string folder;       // --out-dir: "<stem>" or "<stem>-p<N>"
    std::string output;       // -o: the image file, links followed
    std::string dataFolder;   // otherwise: where the data/ folder goes
    std::string format;       // --out-dir: extension of lines.<ext>
    std::string error;        // the input could not be looked at: its error
};

struct BatchPlan {
    OutputMode mode = OutputMode::DataOnly;
    std::vector<ImageTask> tasks;
    std::vector<std::string> notes;  // said on standard error before the run
};

// Reads each input's page count. Throws UsageError for clashes (an output
// that is an input, two results in one place, an output format that cannot be
// told) and WriteError for results that may not be replaced (an earlier
// results folder without --overwrite, a folder holding files kestrano did not
// write).
BatchPlan planBatch(const CommandLine& command);

// The output format ("tif", "png", "pgm") of --out-dir results for an input:
// --format, else the input's own format; JPEG and anything else give TIFF.
std::string resultFormatFor(const std::string& input, const std::string& formatOption);

}  // namespace kestrano

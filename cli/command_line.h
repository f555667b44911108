#pragma once
// The command line of the kestrano tool, parsed into a plain record. Parsing
// checks the syntax and the option values; the files themselves are looked at
// later.
#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/pixel_scale.h"

namespace kestrano {

enum class CommandAction { Run, Summary, Help, Version };

struct CommandLine {
    CommandAction action = CommandAction::Run;
    std::vector<std::string> inputs;
    std::string output;     // -o; empty when not given
    std::string outputDir;  // --out-dir; empty when not given
    std::string dataDir = ".";
    bool dataDirGiven = false;
    // --set entries in command-line order; a later one of a name replaces an earlier one.
    std::vector<std::pair<std::string, std::string>> settings;
    bool noSmoothing = false;
    bool noGradient = false;
    bool noThreshold = false;
    bool noLines = false;
    std::string paramsFile;                 // --params: run.json of an earlier run
    std::optional<PixelScale> pixelSize;    // --pixel-size
    std::string format;                     // --format: "tif", "png", "pgm" or empty
    std::set<std::int32_t> pages;           // --pages; empty: every page
    bool rescale = false;
    bool overwrite = false;
    bool noSummary = false;
    bool noPictures = false;  // --out-dir without overlay.png, lengths.svg, angles.svg
    bool quiet = false;
    int jobs = 0;       // 0: as many as cores, at most one per image
    int threads = 0;    // per run; 0: the cores shared out among the jobs
    std::optional<std::uint64_t> maxPixels;
    std::optional<std::uint64_t> maxMemory;
    std::string summaryDir;  // "kestrano summary DIR"
};

// Bad usage: the tool prints the message and the usage line and exits with 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `arguments` excludes the program name. Throws UsageError.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace kestrano

#include "cli/help_text.h"

#include <iomanip>
#include <sstream>

#include "core/run_settings.h"

namespace kestrano {

#ifndef KESTRANO_VERSION
#define KESTRANO_VERSION "unknown"
#endif

std::string usageText()
{
    return "usage: kestrano run INPUT... [-o OUTPUT | --out-dir DIR] [--set NAME=VALUE]...\n"
           "                    [--no-smoothing] [--no-gradient] [--no-threshold] [--no-lines]\n"
           "                    [--data-dir DIR]\n"
           "       kestrano --help | --version\n";
}

std::string versionText()
{
    return std::string("kestrano ") + KESTRANO_VERSION + "\n";
}

std::string helpText()
{
    const DialogValues d;
    std::ostringstream text;
    text << usageText() << R"(
Finds straight-line segments in 16-bit grey images. Each INPUT (TIFF, PNG or
binary PGM, 8 or 16 bit) is processed as the "Kestrano Full" filter processes
it; standard output carries only the pipeline's own lines, everything else goes
to standard error.

Options:
  -o, --output OUTPUT  write the final image to OUTPUT (one input only); the
                       format follows the extension: .tif/.tiff, .png or .pgm
  --out-dir DIR        write each output into DIR under its input's file name
                       (created when missing)
  --set NAME=VALUE     set a run parameter; it wins over the defaults and the
                       --no-... flags (a later --set of a name wins)
  --no-smoothing       clear "Smoothing Filter" (no nIts)
  --no-gradient        clear "Gradient Filter" (no s, w)
  --no-threshold       clear "Thresholding" (no th)
  --no-lines           clear "Line Detector" (no dl)
  --data-dir DIR       put the data files under DIR (default: .)
  -h, --help           show this text
  --version            show the version

Parameters and their defaults:
)";
    const std::string rows[][3] = {
        {"nAng", std::to_string(d.nAng), "number of angles"},
        {"lLine", std::to_string(d.lLine), "line length (converted, not used)"},
        {"lMinLine", std::to_string(d.lMinLine), "minimum line length"},
        {"speed", std::to_string(d.speed), "seed step"},
        {"minSize", std::to_string(d.minSize), "smallest region"},
        {"maxSize", std::to_string(d.maxSize), "largest region"},
        {"nBins", std::to_string(d.nBins), "histogram bins"},
        {"tipoOutput", std::string(1, d.tipoOutput), "c: lines only, n: lines over the image"},
        {"nIts", std::to_string(d.nIts), "smoothing iterations (not with --no-smoothing)"},
        {"s", std::to_string(d.s), "gradient spread (not with --no-gradient)"},
        {"w", std::to_string(d.w), "gradient window size (not with --no-gradient)"},
        {"th", std::to_string(d.th), "threshold (not with --no-threshold)"},
        {"dl", "t", "line detection (not with --no-lines)"},
        {"positionX", "0", "also positionY, positionZ; read by no stage"}};
    for (const auto& row : rows)
        text << "  " << std::left << std::setw(12) << row[0] << std::setw(9) << row[1] << row[2] << "\n";
    text << R"(A stage runs when its name is present, whatever the value: --set th=120 with
--no-threshold still thresholds.

Output files:
  the final image as 16-bit grey (with -o or --out-dir; otherwise none)
  DIR/data/dataLen.dat, dataAng.dat, histoLen.dat, histoAng.dat (line
  detection only); with several inputs DIR/<input base name>/data/

Exit status: 0 success; 2 bad usage, an unreadable input or an unwritable
result; 3 the pipeline failed (for example a --set value that is not a number).
)";
    return text.str();
}

}  // namespace kestrano

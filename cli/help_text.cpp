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
           "                    [--data-dir DIR] [--params RUN.json] [--pixel-size SIZE]\n"
           "                    [--format tif|png|pgm] [--pages LIST] [--rescale] [--overwrite]\n"
           "                    [--no-summary] [--no-pictures] [--jobs N] [--threads N]\n"
           "                    [--quiet]\n"
           "                    [--max-pixels N] [--max-memory SIZE]\n"
           "       kestrano summary DIR\n"
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
Finds straight-line segments in 16-bit grey images. Each INPUT (TIFF, PNG,
JPEG or binary PGM) is processed as the "Kestrano Full" filter processes it;
standard output carries only the pipeline's own lines, image after image in
input order, everything else goes to standard error. Standard input is not
read: "-" is refused (name a file called "-" as ./-).

Options:
  -o, --output OUTPUT  write the final image to OUTPUT (one input only); the
                       format follows the extension: .tif/.tiff, .png or .pgm;
                       a link is followed and its target replaced
  --out-dir DIR        write a results folder (created when missing; see below)
  --overwrite          let --out-dir replace earlier results of kestrano
  --no-summary         leave out DIR/summary.csv and DIR/report.html (for
                       parallel jobs writing one image each into DIR;
                       "kestrano summary DIR" adds them)
  --no-pictures        leave out overlay.png, lengths.svg and angles.svg (the
                       report then shows none): quicker for large batches
  --format FMT         format of DIR/<name>/lines.<ext>: tif, png or pgm
                       (default: the input's; JPEG inputs give tif)
  --pixel-size SIZE    physical size of a pixel, e.g. 0.325um (nm, um, mm; a
                       bare number is um); default: the TIFF's resolution tags
  --pages LIST         pages of multi-page TIFFs to process, e.g. 1,3-5
  --rescale            map 32-bit and float TIFF values onto 0..65535
  --params RUN.json    run with the parameters an earlier run recorded
  --jobs N             images processed at once (default: one per core)
  --threads N          threads of each run (default: the cores shared out
                       among the jobs)
  --quiet, -q          no progress lines or bar
  --max-pixels N       refuse images of more pixels
  --max-memory SIZE    memory budget for one image (reading it and the run),
                       e.g. 2G
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
  with -o: the final image as 16-bit grey, and (line detection only) the data
  files DIR/data/dataLen.dat, dataAng.dat, histoLen.dat, histoAng.dat, DIR from
  --data-dir; with several inputs and no --out-dir, DIR/<input base name>/data/
  with --out-dir DIR, for each image (each page <name>-p<N> of a stack):
    DIR/<name>/lines.<ext>   the final image
    DIR/<name>/data/         the four data files
    DIR/<name>/segments.csv  one row per segment, with end points and units
    DIR/<name>/overlay.png   the input in grey, segments coloured by angle
    DIR/<name>/lengths.svg   length histogram; angles.svg: angle rose diagram
    DIR/<name>/run.json      parameters, input and output digests, counts
    DIR/<name>/log.txt       this image's pipeline lines
    DIR/summary.csv          one row per image, failed ones included
    DIR/report.html          the batch on one page: sortable table, pictures
  Results appear whole or not at all; an interrupted run leaves nothing.

kestrano summary DIR rewrites DIR/summary.csv and DIR/report.html from the
run.json files in DIR.

Exit status: 0 success; 2 bad usage, a parameter out of range, an unreadable
input or an unwritable result; 3 the pipeline failed (for example a --set
value that is not a number); 130 / 143 interrupted by SIGINT / SIGTERM.
)";
    return text.str();
}

}  // namespace kestrano

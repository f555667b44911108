#pragma once
// report.html: one page for a results folder, readable offline. A summary
// table sortable by any column (a little inline script), then per image its
// overlay thumbnail linking to DIR/<folder>/overlay.png, its two plots
// (embedded PNGs linking to the SVG files), segment count and warnings; and
// the parameters and program version. Thumbnails and plot pictures are
// embedded as data URIs; the only other references are relative links into
// the folder, so the page can be moved or archived with it.
#include <QImage>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace kestrano {

struct ReportImage {
    std::string folder;             // DIR/<folder> holds the image's results
    nlohmann::ordered_json record;  // its run.json
    std::string thumbnail;          // from reportThumbnail when this run drew the
                                    // overlay; empty: made from DIR/<folder>/overlay.png
};

// The overlay's thumbnail as the page embeds it (a data URI); the same for
// the picture in memory as for the PNG file written from it.
std::string reportThumbnail(const QImage& overlay);

// The page for results folder `dir`; images appear in byte order of their
// folder names, as in summary.csv. Reads the pictures from DIR/<folder>/;
// a missing one leaves a note in its place.
std::string reportHtml(const std::string& dir, std::vector<ReportImage> images);

}  // namespace kestrano

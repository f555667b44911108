// report.html from a results folder: every image's row and section, its
// pictures embedded, its links relative, names escaped.
#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>

#include "render/overlay_image.h"
#include "render/plot_files.h"
#include "render/png_rgb_writer.h"
#include "render/report_html.h"
#include "support/temp_folder.h"

using namespace kestrano;
using Json = nlohmann::ordered_json;

namespace {

Json record(const std::string& path, const std::string& status, int segments, const std::string& nAng)
{
    Json r = {{"program", "kestrano"}, {"version", "1.0.0"}, {"status", status}, {"message", ""},
              {"warnings", Json::array()}, {"input", {{"path", path}, {"page", 1}, {"width", 80}, {"height", 64}}}};
    if (status != "ok") {
        r["message"] = path + ": cannot read <it>";
        return r;
    }
    r["parameters"] = {{"nAng", nAng}, {"dl", "t"}};
    r["pixel_size"] = {{"x", 0.5}, {"y", 0.5}, {"unit", "um"}};
    r["summary"] = {{"segments", segments}, {"total_length", 12.25}, {"mean_angle_deg", 30}};
    r["warnings"].push_back("more than half the segments touch the border");
    return r;
}

}  // namespace

TEST(ReportHtml, HasEveryImageWithItsPicturesAndTheRunParameters)
{
    TempFolder dir;
    std::filesystem::create_directory(dir / "b & c");
    const std::vector<std::uint16_t> pixels(64 * 80, 100);
    ASSERT_TRUE(overlayImage(pixels.data(), 64, 80, {}).save(QString::fromStdString(dir / "b & c/overlay.png")));
    const std::vector<SegmentRow> rows(3);
    writeBytes(dir / "b & c/lengths.svg", plotSvg(lengthHistogramOf(rows, "um"), "Lengths").toStdString());
    writeBytes(dir / "b & c/angles.svg", plotSvg(angleRoseOf(rows), "Angles").toStdString());

    const std::string html = reportHtml(dir.path(), {{"b & c", record("in/b & c.tif", "ok", 3, "128")},
                                                     {"a", record("in/a.png", "failed", 0, "")},
                                                     {"d", record("in/d.png", "ok", 0, "64")}});
    // Rows in folder order, names escaped.
    const std::size_t a = html.find("data-folder=\"a\""), b = html.find("data-folder=\"b &amp; c\""),
                      d = html.find("data-folder=\"d\"");
    EXPECT_TRUE(a < b && b < d && d != std::string::npos) << a << ", " << b << ", " << d;
    for (const char* part : {
             "<tr class=\"failed\" data-folder=\"a\"", "cannot read &lt;it&gt;",
             // Pictures embedded, full overlay and plots linked relative to the folder; d has none.
             "<a href=\"b%20%26%20c/overlay.png\"><img class=\"overlay\"", "href=\"b%20%26%20c/lengths.svg\"",
             "href=\"b%20%26%20c/angles.svg\"", "src=\"data:image/png;base64,", "no overlay",
             // Numbers sort by value; parameters shared or listed per image.
             "data-v=\"12.25\"", "<tr><td>dl</td><td>t</td></tr>", "128 (b &amp; c)<br>64 (d)<br>",
             "<span id=\"version\">1.0.0</span>", "more than half the segments touch the border"})
        EXPECT_NE(html.find(part), std::string::npos) << part;
    for (const char* absent : {"<it>", "http"})  // http: nothing from the network
        EXPECT_EQ(html.find(absent), std::string::npos) << absent;
}

TEST(ReportHtml, ThumbnailFromMemoryEqualsTheOneReadFromOverlayPng)
{
    // A run hands the page the thumbnail it drew; "kestrano summary" reads the
    // file back. Both must give the same page.
    TempFolder dir;
    std::filesystem::create_directory(dir / "a");
    std::vector<std::uint16_t> pixels(500 * 200);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint16_t>(i * 7919 % 65536);
    const QImage overlay = overlayImage(pixels.data(), 500, 200, std::vector<SegmentRow>(2));
    writeRgbPng(dir / "a/overlay.png", overlay);
    const Json a = record("in/a.png", "ok", 2, "128");
    EXPECT_EQ(reportHtml(dir.path(), {{"a", a, reportThumbnail(overlay)}}), reportHtml(dir.path(), {{"a", a, ""}}));
}

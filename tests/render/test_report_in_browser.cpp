// End to end: kestrano writes a results folder for a batch with a failing
// input, and headless Chromium renders its report.html. What only a browser
// shows is checked here: the overlays in the rendered DOM, the sorting script
// at work, and a screenshot with something on it. The page's markup itself
// is checked in-process by the report test.
#include <QImage>
#include <QSet>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <gtest/gtest.h>

#include "imageio/image_file.h"
#include "support/temp_folder.h"

namespace {

// Runs a shell command in `work`, killed after a minute; returns its exit status.
int runIn(const TempFolder& work, const std::string& command)
{
    const int status = std::system(("cd '" + work.path() + "' && timeout 60 " + command).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Chromium with the flags known to work in a container as root, with a fresh profile.
const std::string chromium = "'" CHROMIUM_BINARY "'"
    " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking"
    " --disable-component-update --disable-sync --user-data-dir=profile";

}  // namespace

TEST(ReportInBrowser, ShowsTheOverlaysAndSortsAndDrawsThePage)
{
    TempFolder work;
    kestrano::GreyImage bar{200, 240, std::vector<std::uint16_t>(200 * 240, 1000)};  // one bright bar across
    for (int r = 30; r < 36; ++r)
        std::fill_n(bar.pixels.begin() + r * 240 + 20, 200, 40000);
    kestrano::writeGreyImage(work / "one bar.pgm", bar);
    std::filesystem::copy_file(KESTRANO_SAMPLE_IMAGE, work / "fibres.pgm");
    writeBytes(work / "broken.pgm", "P5\n10 10\n65535\nshort");
    // The broken input is not read; the others are.
    const char* const batch = "'" KESTRANO_BINARY "' run 'one bar.pgm' fibres.pgm broken.pgm --out-dir out";
    ASSERT_EQ(runIn(work, batch + std::string(" >/dev/null 2>run.err")), 2) << readBytes(work / "run.err");
    const std::string page = "file://" + work / "out/report.html";

    // Sorted by segment count, largest first, as two clicks on the heading do.
    ASSERT_EQ(runIn(work, chromium + " --dump-dom '" + page + "#sort=7-desc' >dom.html 2>chromium.err"), 0)
        << readBytes(work / "chromium.err");
    const std::string dom = readBytes(work / "dom.html");
    for (const std::string folder : {"one bar", "fibres"})
        EXPECT_NE(dom.find("<img class=\"overlay\" alt=\"overlay of " + folder + "\""), std::string::npos) << folder;
    EXPECT_NE(dom.find("<th class=\"desc\">segments</th>"), std::string::npos) << "the page's script did not run";
    const std::size_t fibres = dom.find("<tr data-folder=\"fibres\""), oneBar = dom.find("<tr data-folder=\"one bar\""),
                      broken = dom.find("<tr class=\"failed\" data-folder=\"broken\"");
    EXPECT_LT(fibres, oneBar);  // many fibre segments before the few of the bar
    EXPECT_LT(oneBar, broken);  // no count at all: last
    EXPECT_NE(broken, std::string::npos);

    ASSERT_EQ(runIn(work, chromium + " --window-size=1200,900 --screenshot=shot.png '" + page + "' 2>chromium.err"), 0)
        << readBytes(work / "chromium.err");
    const QImage picture(QString::fromStdString(work / "shot.png"));
    ASSERT_FALSE(picture.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 3)
        for (int x = 0; x < picture.width(); x += 3)
            colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 100);  // text, table, overlay and plots, not a blank page
}

// End to end: kestrano writes a results folder for a batch with a failing
// input, and headless Chromium renders its report.html. The rendered DOM must
// have every image's row and every overlay, the sorting script must work, and
// the screenshot must show something.
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <filesystem>
#include <gtest/gtest.h>

#include "imageio/image_file.h"
#include "support/temp_folder.h"

namespace {

struct Finished {
    int status = -1;
    QString out;
    QString err;
};

Finished runProgram(const QString& program, const QStringList& arguments, const QString& workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.start(program, arguments);
    Finished finished;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        finished.err = program + " did not finish within a minute";
        return finished;
    }
    finished.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    finished.out = QString::fromUtf8(process.readAllStandardOutput());
    finished.err = QString::fromUtf8(process.readAllStandardError());
    return finished;
}

// Chromium's flags known to work in a container as root, with a fresh profile.
QStringList chromium(const std::string& profile)
{
    return {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            QString::fromStdString("--user-data-dir=" + profile)};
}

kestrano::GreyImage bars(int shift)
{
    kestrano::GreyImage image{200, 240, std::vector<std::uint16_t>(200 * 240, 1000)};
    for (int r = 0; r < 200; ++r)
        for (int c = 0; c < 240; ++c)
            if ((r >= 30 + shift && r < 36 + shift && c >= 20 && c < 220) || (c >= 100 && c < 106 && r >= 60 && r < 190))
                image.pixels[r * 240 + c] = 40000;
    return image;
}

}  // namespace

TEST(ReportInBrowser, ShowsEveryImageRowAndOverlayAndSorts)
{
    TempFolder work;
    kestrano::writeGreyImage(work / "bars one.pgm", bars(0));
    kestrano::writeGreyImage(work / "bars&two.png", bars(40));
    std::filesystem::copy_file(KESTRANO_SAMPLE_IMAGE, work / "fibres.pgm");
    writeBytes(work / "broken.pgm", "P5\n10 10\n65535\nshort");

    const Finished run = runProgram(KESTRANO_BINARY,
                                    {"run", "bars one.pgm", "bars&two.png", "fibres.pgm", "broken.pgm", "--out-dir",
                                     "out", "--quiet"},
                                    QString::fromStdString(work.path()));
    ASSERT_EQ(run.status, 2) << run.err.toStdString();  // the broken input was not read; the others were
    const std::string report = work / "out/report.html";
    ASSERT_TRUE(std::filesystem::exists(report)) << run.err.toStdString();
    const QString page = "file://" + QString::fromStdString(report);

    const Finished dom = runProgram(CHROMIUM_BINARY, chromium(work / "profile") << "--dump-dom" << page,
                                    QString::fromStdString(work.path()));
    ASSERT_EQ(dom.status, 0) << dom.err.toStdString();
    EXPECT_TRUE(dom.out.contains("data-sortable=\"yes\"")) << "the page's script did not run";
    for (const QString folder : {"bars one", "bars&amp;two", "fibres", "broken"})
        EXPECT_TRUE(dom.out.contains("data-folder=\"" + folder + "\"")) << folder.toStdString();
    for (const QString folder : {"bars one", "bars&amp;two", "fibres"})
        EXPECT_TRUE(dom.out.contains("<img class=\"overlay\" alt=\"overlay of " + folder + "\"")) << folder.toStdString();
    EXPECT_TRUE(dom.out.contains("<tr class=\"failed\" data-folder=\"broken\""));

    // Sorted by segment count, largest first, as a click on the heading does.
    const Finished sorted = runProgram(CHROMIUM_BINARY, chromium(work / "profile") << "--dump-dom" << page + "#sort=7-desc",
                                       QString::fromStdString(work.path()));
    ASSERT_EQ(sorted.status, 0) << sorted.err.toStdString();
    const qsizetype fibres = sorted.out.indexOf("<tr data-folder=\"fibres\""),
                    bars = sorted.out.indexOf("<tr data-folder=\"bars one\""),
                    broken = sorted.out.indexOf("data-folder=\"broken\"");
    EXPECT_TRUE(sorted.out.contains("<th class=\"desc\">segments</th>"));
    EXPECT_LT(fibres, bars);   // many fibre segments before the few bars
    EXPECT_LT(bars, broken);   // no count at all: last

    const std::string shot = work / "shot.png";
    const Finished screenshot = runProgram(
        CHROMIUM_BINARY, chromium(work / "profile") << "--window-size=1200,900" << QString::fromStdString("--screenshot=" + shot) << page,
        QString::fromStdString(work.path()));
    ASSERT_EQ(screenshot.status, 0) << screenshot.err.toStdString();
    const QImage picture(QString::fromStdString(shot));
    ASSERT_FALSE(picture.isNull());
    QSet<QRgb> colours;
    int inked = 0;
    for (int y = 0; y < picture.height(); y += 3)
        for (int x = 0; x < picture.width(); x += 3) {
            const QRgb pixel = picture.pixel(x, y);
            colours.insert(pixel);
            inked += qGray(pixel) < 200;
        }
    EXPECT_GT(colours.size(), 100);  // text, table, overlay and plots, not a blank page
    EXPECT_GT(inked, picture.width() * picture.height() / 9 / 20);
}

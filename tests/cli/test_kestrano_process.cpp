// Runs the built kestrano binary as a process and compares what it prints and
// writes with the pipeline run in-process on the same buffer and list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/kestrano.h"
#include "core/run_settings.h"
#include "imageio/image_file.h"
#include "output/data_files.h"
#include "output/histograms.h"
#include "kestrano_process.h"
#include "support/log_sink.h"
#include "support/temp_folder.h"

using namespace kestrano;

namespace {

using Names = std::vector<std::string>;

// A dark background with a horizontal and a steep bright bar, values above 8
// bits; the detector finds a few segments in it.
GreyImage barsImage()
{
    GreyImage image{72, 96, std::vector<std::uint16_t>(72 * 96, 1000)};
    for (int r = 0; r < 72; ++r)
        for (int c = 0; c < 96; ++c)
            if ((r >= 18 && r < 22 && c > 4 && c < 92) || (c >= r / 3 + 32 && c < r / 3 + 36))
                image.pixels[r * 96 + c] = 30000;
    return image;
}

struct Expected {
    std::string lines;
    std::vector<std::uint16_t> pixels;
};

// The list as the plug-in builds it: host list, position (0, 0, 0), dialog values.
Expected runInProcess(const ParamList& hostList, const std::string& dataDir)
{
    const std::int32_t position[3] = {0, 0, 0};
    ParamList list = startParamList(hostList, position);
    addDialogValues(list, DialogValues{});
    const GreyImage image = barsImage();
    LogSink log;
    RunOptions options;
    options.log = &log;
    const RunResult result = run(image.pixels.data(), image.rows, image.cols, list, options);
    writeLengthData(result.lines, dataDir + "/dataLen.dat");
    writeAngleData(result.lines, dataDir + "/dataAng.dat");
    writeHistogram(result.lengthHistogram, dataDir + "/histoLen.dat");
    writeHistogram(result.angleHistogram, dataDir + "/histoAng.dat");
    return {log.text(), result.image};
}

std::vector<std::uint16_t> pixelsOf(const std::string& path)
{
    std::vector<std::string> warnings;
    return readGreyImage(path, warnings).pixels;
}

const Names dataFiles = {"dataAng.dat", "dataLen.dat", "histoAng.dat", "histoLen.dat"};

}  // namespace

TEST(KestranoProcess, RunEqualsThePipelineInProcess)
{
    TempFolder work, reference;
    writeGreyImage(work / "bars.tif", barsImage());
    const KestranoExit run = runKestrano(
        work, {"run", "bars.tif", "--set", "nAng=32", "--set", "nAng=64", "-o", "out.tif", "--data-dir", "d"});
    const Expected expected = runInProcess({{"nAng", "64"}}, reference.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected.lines);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(pixelsOf(work / "out.tif"), expected.pixels);
    EXPECT_EQ(namesIn(work / "d"), Names{"data"});  // staging folder removed
    ASSERT_EQ(namesIn(work / "d/data"), dataFiles);
    for (const std::string& name : dataFiles)
        EXPECT_EQ(readBytes(work / ("d/data/" + name)), readBytes(reference / name)) << name;
    const std::string lengths = readBytes(work / "d/data/dataLen.dat");
    EXPECT_GT(std::count(lengths.begin(), lengths.end(), '\n'), 1);  // segments were found

    const KestranoExit noOutput = runKestrano(work, {"run", "bars.tif", "--no-smoothing"});
    EXPECT_EQ(noOutput.status, 0);
    EXPECT_NE(noOutput.err.find("no output image is written"), std::string::npos);
    EXPECT_EQ(namesIn(work / "data"), dataFiles);  // the data folder defaults to the working folder
}

TEST(KestranoProcess, FailedOrRefusedRunsWriteNothing)
{
    TempFolder work;
    writeGreyImage(work / "in.pgm", barsImage());
    writeGreyImage(work / "old.png", barsImage());
    const std::string input = readBytes(work / "in.pgm"), old = readBytes(work / "old.png");
    const KestranoExit run = runKestrano(work, {"run", "in.pgm", "--set", "th=abc", "-o", "old.png"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("invalid stoi argument"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.substr(run.out.size() - 14), "Umbralizacion\n");  // the pipeline's lines up to the failure

    const KestranoExit refused = runKestrano(work, {"run", "in.pgm", "-o", "./in.pgm"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("usage: kestrano run"), std::string::npos) << refused.err;
    EXPECT_EQ(readBytes(work / "in.pgm"), input);
    EXPECT_EQ(readBytes(work / "old.png"), old);
    EXPECT_EQ(namesIn(work.path()), (Names{"in.pgm", "old.png"}));
}

TEST(KestranoProcess, VersionAndHelp)
{
    TempFolder work;
    EXPECT_EQ(runKestrano(work, {"--version"}).out, std::string("kestrano ") + KESTRANO_VERSION + "\n");
    const KestranoExit help = runKestrano(work, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"--no-threshold", "nAng        128", "maxSize     100000", "dataLen.dat"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

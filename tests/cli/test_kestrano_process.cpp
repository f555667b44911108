// Runs the built kestrano binary as a process and compares what it prints and
// writes with the pipeline run in-process on the same buffer and list.
#include <gtest/gtest.h>
#include <sys/wait.h>

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
#include "support/log_sink.h"
#include "support/temp_folder.h"

using namespace kestrano;

namespace {

using Names = std::vector<std::string>;

struct ProcessResult {
    int status;
    std::string out, err;
};

// Runs kestrano with `arguments` in `work`; the arguments hold no single quotes.
ProcessResult runKestrano(const TempFolder& work, const Names& arguments)
{
    TempFolder captures;
    std::string command = "cd '" + work.path() + "' && '" + KESTRANO_BINARY + "'";
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    command += " >'" + captures / "out" + "' 2>'" + captures / "err" + "' </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(captures / "out"), readBytes(captures / "err")};
}

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
    const ProcessResult run = runKestrano(
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

    const ProcessResult noOutput = runKestrano(work, {"run", "bars.tif", "--no-smoothing"});
    EXPECT_EQ(noOutput.status, 0);
    EXPECT_NE(noOutput.err.find("no output image is written"), std::string::npos);
    EXPECT_EQ(namesIn(work / "data"), dataFiles);  // the data folder defaults to the working folder
}

// Unreadable inputs are reported by name and make the exit status 2; the others still run.
TEST(KestranoProcess, SeveralInputsIntoAnOutputFolder)
{
    TempFolder work, reference;
    writeGreyImage(work / "a.pgm", barsImage());
    writeBytes(work / "garbage.tif", "II*\0garbage");
    writeBytes(work / "truncated.pgm", "P5\n8 8\n255\nxyz");
    writeBytes(work / "zero.pgm", "P5\n5 0\n255\n");
    writeGreyImage(work / "c.png", barsImage());
    const Names inputs = {"a.pgm", "missing.tif", "garbage.tif", "truncated.pgm", "zero.pgm", "c.png"};
    Names arguments = {"run", "--out-dir", "out", "--data-dir", "d"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    const ProcessResult run = runKestrano(work, arguments);
    const Expected expected = runInProcess({}, reference.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, expected.lines + expected.lines);
    for (std::size_t i = 0; i < inputs.size(); ++i)
        EXPECT_NE(run.err.find("[" + std::to_string(i + 1) + "/6] " + inputs[i] + "\n"), std::string::npos);
    for (const char* error : {"missing.tif: cannot open", "garbage.tif: not a supported image",
                              "truncated.pgm: truncated", "zero.pgm: zero-sized image"})
        EXPECT_NE(run.err.find(std::string("kestrano: error: ") + error), std::string::npos) << error;
    EXPECT_EQ(namesIn(work / "out"), (Names{"a.pgm", "c.png"}));
    EXPECT_EQ(pixelsOf(work / "out/a.pgm"), expected.pixels);
    EXPECT_EQ(pixelsOf(work / "out/c.png"), expected.pixels);
    EXPECT_EQ(namesIn(work / "d"), (Names{"a", "c"}));
    EXPECT_EQ(readBytes(work / "d/c/data/dataLen.dat"), readBytes(reference / "dataLen.dat"));
}

TEST(KestranoProcess, FailedOrRefusedRunsWriteNothing)
{
    TempFolder work;
    writeGreyImage(work / "in.pgm", barsImage());
    writeGreyImage(work / "old.png", barsImage());
    const std::string input = readBytes(work / "in.pgm"), old = readBytes(work / "old.png");
    const ProcessResult run = runKestrano(work, {"run", "in.pgm", "--set", "th=abc", "-o", "old.png"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("invalid stoi argument"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.substr(run.out.size() - 14), "Umbralizacion\n");  // the pipeline's lines up to the failure

    const ProcessResult refused = runKestrano(work, {"run", "in.pgm", "-o", "./in.pgm"});
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
    const ProcessResult help = runKestrano(work, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"--no-threshold", "nAng        128", "maxSize     100000", "dataLen.dat"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

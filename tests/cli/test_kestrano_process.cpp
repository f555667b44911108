// Runs the built kestrano binary as a process and compares what it prints and
// writes with the pipeline run in-process on the same buffer and list.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/image_file.h"
#include "pipeline/run_pipeline.h"
#include "plugin/run_settings.h"
#include "support/capture_stdout.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// Runs kestrano with `arguments` in `workFolder`, standard output and error into files.
ProcessResult runKestrano(const TempFolder& workFolder, const std::vector<std::string>& arguments)
{
    TempFolder captures;
    std::string command = "cd " + quoted(workFolder.path().string()) + " && " + quoted(KESTRANO_BINARY);
    for (const std::string& argument : arguments)
        command += " " + quoted(argument);
    command += " >" + quoted(captures / "out") + " 2>" + quoted(captures / "err") + " </dev/null";
    const int raw = std::system(command.c_str());
    ProcessResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readBytes(captures / "out");
    result.err = readBytes(captures / "err");
    return result;
}

// A dark background with a horizontal and a steep bright bar, values above 8
// bits; the detector finds a few segments in it.
GreyImage barsImage()
{
    GreyImage image;
    image.rows = 72;
    image.cols = 96;
    image.pixels.assign(72 * 96, 1000);
    for (int r = 0; r < 72; ++r)
        for (int c = 0; c < 96; ++c)
            if ((r >= 18 && r < 22 && c > 4 && c < 92) || (c >= r / 3 + 32 && c < r / 3 + 36))
                image.pixels[r * 96 + c] = 30000;
    return image;
}

struct Expected {
    std::string lines;
    GreyImage image;
};

// The list as the plug-in builds it: host list, position (0, 0, 0), dialog values.
Expected runInProcess(GreyImage image, const ParamList& hostList, const DialogValues& dialog,
                      const std::string& dataDir)
{
    const std::int32_t position[3] = {0, 0, 0};
    ParamList list = startParamList(hostList, position);
    addDialogValues(list, dialog);
    ImageSize size{image.rows, image.cols};
    CaptureStdout capture;
    runPipeline(image.pixels.data(), size, list, dataDir);
    return {capture.text(), image};
}

GreyImage readBack(const std::string& path)
{
    std::vector<std::string> warnings;
    return readGreyImage(path, warnings);
}

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string> dataFiles = {"dataAng.dat", "dataLen.dat", "histoAng.dat", "histoLen.dat"};

}  // namespace

TEST(KestranoProcess, ReadsAndWritesEachFormat)
{
    DialogValues noLines;
    noLines.lineDetectionOn = false;
    const Expected expected = runInProcess(barsImage(), {}, noLines, "unused");
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"in.pgm", "out.tif"}, {"in.tif", "out.png"}, {"in.png", "out.pgm"}};
    for (const auto& [input, output] : pairs) {
        TempFolder work;
        writeGreyImage(work / input, barsImage());
        const ProcessResult run = runKestrano(work, {"run", input, "-o", output, "--no-lines"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, expected.lines);
        EXPECT_EQ(run.err, "");
        const GreyImage written = readBack(work / output);
        EXPECT_EQ(written.rows, 72);
        EXPECT_EQ(written.pixels, expected.image.pixels) << output;
        EXPECT_EQ(namesIn(work.path().string()), (std::vector<std::string>{input, output}));
    }
}

TEST(KestranoProcess, FullRunEqualsThePipelineInProcess)
{
    TempFolder work, reference;
    writeGreyImage(work / "bars.tif", barsImage());
    const ProcessResult run = runKestrano(
        work, {"run", "bars.tif", "--set", "nAng=32", "--set", "nAng=64", "-o", "out.png", "--data-dir", "d"});
    const Expected expected = runInProcess(barsImage(), {{"nAng", "64"}}, DialogValues{}, reference.path().string());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected.lines);
    const std::string lengths = readBytes(work / "d/data/dataLen.dat");
    EXPECT_GT(std::count(lengths.begin(), lengths.end(), '\n'), 1);
    EXPECT_EQ(readBack(work / "out.png").pixels, expected.image.pixels);
    EXPECT_EQ(namesIn(work / "d"), std::vector<std::string>{"data"});  // staging folder removed
    ASSERT_EQ(namesIn(work / "d/data"), dataFiles);
    for (const std::string& name : dataFiles)
        EXPECT_EQ(readBytes(work / ("d/data/" + name)), readBytes(reference / name)) << name;

    const ProcessResult noOutput = runKestrano(work, {"run", "bars.tif", "--no-smoothing"});
    EXPECT_EQ(noOutput.status, 0);
    EXPECT_NE(noOutput.err.find("no output image is written"), std::string::npos);
    EXPECT_EQ(namesIn(work / "data"), dataFiles);  // the data folder defaults to the working folder
}

TEST(KestranoProcess, UnreadableInputsExitWithTwo)
{
    TempFolder work;
    writeBytes(work / "garbage.png", "definitely not a picture");
    writeBytes(work / "empty.tif", "");
    writeBytes(work / "truncated.pgm", "P5\n8 8\n255\nxyz");
    writeBytes(work / "zero.pgm", "P5\n5 0\n255\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.tif", "cannot open"},
        {"garbage.png", "not a supported image"},
        {"empty.tif", "empty file"},
        {"truncated.pgm", "truncated"},
        {"zero.pgm", "zero-sized image"}};
    for (const auto& [input, reason] : cases) {
        const ProcessResult run = runKestrano(work, {"run", input, "-o", "out.tif"});
        EXPECT_EQ(run.status, 2) << input;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(input + ": " + reason), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(work / "out.tif"));
    }
}

TEST(KestranoProcess, BadSetValueFailsTheRunWithThreeAndWritesNothing)
{
    TempFolder work;
    writeGreyImage(work / "in.pgm", barsImage());
    writeGreyImage(work / "old.png", barsImage());
    const std::string before = readBytes(work / "old.png");
    const ProcessResult run = runKestrano(work, {"run", "in.pgm", "--set", "th=abc", "-o", "old.png"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("invalid stoi argument"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.substr(run.out.size() - 14), "Umbralizacion\n");  // the pipeline's lines up to the failure
    EXPECT_EQ(readBytes(work / "old.png"), before);
    EXPECT_EQ(namesIn(work.path().string()), (std::vector<std::string>{"in.pgm", "old.png"}));
}

TEST(KestranoProcess, SeveralInputsIntoAnOutputFolder)
{
    TempFolder work, reference;
    writeGreyImage(work / "a.pgm", barsImage());
    writeBytes(work / "broken.tif", "II*\0garbage");
    writeGreyImage(work / "c.png", barsImage());
    const ProcessResult run =
        runKestrano(work, {"run", "a.pgm", "broken.tif", "c.png", "--out-dir", "out", "--data-dir", "d"});
    const Expected expected = runInProcess(barsImage(), {}, DialogValues{}, reference.path().string());
    EXPECT_EQ(run.status, 2);  // one input could not be read; the others still ran
    EXPECT_EQ(run.out, expected.lines + expected.lines);
    EXPECT_NE(run.err.find("[1/3] a.pgm\n"), std::string::npos);
    EXPECT_NE(run.err.find("[2/3] broken.tif\n"), std::string::npos);
    EXPECT_NE(run.err.find("[3/3] c.png\n"), std::string::npos);
    EXPECT_EQ(namesIn(work / "out"), (std::vector<std::string>{"a.pgm", "c.png"}));
    EXPECT_EQ(readBack(work / "out/c.png").pixels, expected.image.pixels);
    EXPECT_EQ(namesIn(work / "d"), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(readBytes(work / "d/c/data/dataLen.dat"), readBytes(reference / "dataLen.dat"));
}

TEST(KestranoProcess, BadUsageIsRefusedBeforeAnythingRuns)
{
    TempFolder work;
    writeGreyImage(work / "a.pgm", barsImage());
    fs::create_directory(work / "sub");
    writeGreyImage(work / "sub/a.png", barsImage());
    const std::string original = readBytes(work / "a.pgm");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"run", "a.pgm", "-o", "./sub/../a.pgm"},
             {"run", "a.pgm", "--out-dir", "."},
             {"run", "a.pgm", "sub/a.png", "--out-dir", "out"},
             {"run", "a.pgm", "-o", "a.jpg"},
             {"run", "a.pgm", "-o", "nowhere/a.tif"},
             {"run", "a.pgm", "--set", "novalue"}}) {
        const ProcessResult run = runKestrano(work, arguments);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: kestrano run"), std::string::npos);
    }
    EXPECT_EQ(readBytes(work / "a.pgm"), original);
    EXPECT_EQ(namesIn(work.path().string()), (std::vector<std::string>{"a.pgm", "sub"}));

    const ProcessResult version = runKestrano(work, {"--version"});
    EXPECT_EQ(version.out, std::string("kestrano ") + KESTRANO_VERSION + "\n");
    const ProcessResult help = runKestrano(work, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"--no-threshold", "nAng        128", "maxSize     100000", "dataLen.dat"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

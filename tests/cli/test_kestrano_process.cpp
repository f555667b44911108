// What only the built binary shows: its exit statuses, its standard output as
// a whole and the files it leaves, against the pipeline run in-process.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/kestrano.h"
#include "core/run_settings.h"
#include "kestrano_process.h"
#include "output/data_files.h"
#include "output/histograms.h"
#include "support/log_sink.h"
#include "support/temp_folder.h"
#include "test_images.h"

using namespace kestrano;

namespace {

using Names = std::vector<std::string>;

const Names dataFiles = {"dataAng.dat", "dataLen.dat", "histoAng.dat", "histoLen.dat"};

}  // namespace

TEST(KestranoProcess, PrintsAndWritesWhatThePipelineGivesInProcess)
{
    // The list as the plug-in builds it, with nAng from the later --set.
    const std::int32_t position[3] = {0, 0, 0};
    ParamList list = startParamList({{"nAng", "64"}}, position);
    addDialogValues(list, DialogValues{});
    const GreyImage image = barsImage();
    LogSink log;
    RunOptions options;
    options.log = &log;
    const RunResult expected = run(image.pixels.data(), image.rows, image.cols, list, options);
    ASSERT_GT(expected.lines.size(), 0u);

    TempFolder work, reference;
    writeLengthData(expected.lines, reference / "dataLen.dat");
    writeAngleData(expected.lines, reference / "dataAng.dat");
    writeHistogram(expected.lengthHistogram, reference / "histoLen.dat");
    writeHistogram(expected.angleHistogram, reference / "histoAng.dat");
    writeGreyImage(work / "bars.tif", image);
    const KestranoExit done = runKestrano(
        work, {"run", "bars.tif", "--set", "nAng=32", "--set", "nAng=64", "-o", "out.tif", "--data-dir", "d"});
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.out, log.text());
    EXPECT_EQ(done.err, "");
    std::vector<std::string> warnings;
    EXPECT_EQ(readGreyImage(work / "out.tif", warnings).pixels, expected.image);
    EXPECT_EQ(namesIn(work / "d"), Names{"data"});  // staging folder removed
    ASSERT_EQ(namesIn(work / "d/data"), dataFiles);
    for (const std::string& name : dataFiles)
        EXPECT_EQ(readBytes(work / ("d/data/" + name)), readBytes(reference / name)) << name;

    // Without -o: nothing but the data files, in the working folder.
    const KestranoExit noOutput = runKestrano(work, {"run", "bars.tif", "--no-smoothing"});
    EXPECT_EQ(noOutput.status, 0);
    EXPECT_NE(noOutput.err.find("no output image is written"), std::string::npos);
    EXPECT_EQ(namesIn(work / "data"), dataFiles);

    // A failing run: status 3, the pipeline's lines up to the failure, the earlier image untouched.
    const std::string before = readBytes(work / "out.tif");
    const KestranoExit failed = runKestrano(work, {"run", "bars.tif", "--set", "th=abc", "-o", "out.tif"});
    EXPECT_EQ(failed.status, 3);
    EXPECT_NE(failed.err.find("invalid stoi argument"), std::string::npos) << failed.err;
    EXPECT_EQ(failed.out.substr(failed.out.size() - 14), "Umbralizacion\n");
    EXPECT_EQ(readBytes(work / "out.tif"), before);
    EXPECT_EQ(namesIn(work.path()), (Names{"bars.tif", "d", "data", "out.tif"}));

    EXPECT_EQ(runKestrano(work, {"--version"}).out, std::string("kestrano ") + KESTRANO_VERSION + "\n");
    const KestranoExit help = runKestrano(work, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("nAng        128"), std::string::npos);
    EXPECT_EQ(runKestrano(work, {"run"}).status, 2);
}

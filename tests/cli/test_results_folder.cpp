// The results folder of --out-dir, read back with real parsers: segments.csv
// and summary.csv through Python's csv module, run.json through nlohmann-json.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/sha256.h"
#include "kestrano_process.h"
#include "support/temp_folder.h"
#include "test_images.h"

using namespace kestrano;
namespace fs = std::filesystem;
using Json = nlohmann::json;
using Names = std::vector<std::string>;

namespace {

// Rows of fields as Python's csv module reads them.
Json csvFile(const std::string& path)
{
    TempFolder out;
    const std::string command = "/usr/bin/python3 -c 'import csv,json,sys; "
                                "print(json.dumps(list(csv.reader(open(sys.argv[1], newline=\"\")))))' '" +
                                path + "' > '" + out / "rows.json" + "'";
    return Json::parse(std::system(command.c_str()) == 0 ? readBytes(out / "rows.json") : "null");
}

std::vector<double> dataValues(const std::string& path)
{
    std::istringstream text(readBytes(path));
    return {std::istream_iterator<double>(text), std::istream_iterator<double>()};
}

void expectNear(const std::string& text, double expected, double tolerance)
{
    EXPECT_NEAR(std::stod(text), expected, tolerance * std::max(1.0, std::fabs(expected))) << text;
}

}  // namespace

TEST(ResultsFolder, TablesAgreeWithTheDataFilesAndRunJsonRepeatsTheRun)
{
    TempFolder work;
    writeGreyImage(work / "a.tif", barsImage());
    writeGreyImage(work / "c.png", barsImage(80, 90, 6));
    writeBytes(work / "garbage.tif", "II*\0garbage");
    writeBytes(work / "bomb.pgm", "P5\n20000 20000\n65535\n");
    ::mkfifo((work / "fifo.pgm").c_str(), 0644);
    const KestranoExit run = runKestrano(work, {"run", "a.tif", "missing.tif", "bomb.pgm", "garbage.tif", "fifo.pgm",
                                                "c.png", "--out-dir", "out", "--pixel-size", "0.5um", "--jobs", "1"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(namesIn(work / "out"),
              (Names{"a", "bomb", "c", "fifo", "garbage", "missing", "report.html", "summary.csv"}));
    EXPECT_EQ(run.out, readBytes(work / "out/a/log.txt") + readBytes(work / "out/c/log.txt"));
    for (const char* error : {"missing.tif: cannot open", "garbage.tif: not a supported image",
                              "bomb.pgm: truncated PGM file", "fifo.pgm: is a FIFO"})
        EXPECT_NE(run.err.find(std::string("kestrano: error: ") + error), std::string::npos) << run.err;

    // segments.csv row k is line k + 2 of the data files; lengths in micrometres.
    const Json segments = csvFile(work / "out/a/segments.csv");
    const std::vector<double> lengths = dataValues(work / "out/a/data/dataLen.dat");
    const std::vector<double> angles = dataValues(work / "out/a/data/dataAng.dat");
    ASSERT_GT(lengths.at(0), 0);
    ASSERT_EQ(segments.size(), lengths.size());
    EXPECT_EQ(segments[0], Json::parse(R"(["segment","label","x1","y1","x2","y2","length_px","angle_deg","length",
                                          "unit","touches_border"])"));
    double total = 0;
    int border = 0;
    for (std::size_t k = 1; k < segments.size(); ++k) {
        const Json& row = segments[k];
        EXPECT_EQ(row[0], std::to_string(k));
        expectNear(row[6], lengths[k], 1e-5);
        expectNear(row[7], angles[k], 1e-5);
        expectNear(row[8], 0.5 * std::stod(row[6].get<std::string>()), 1e-12);
        EXPECT_EQ(row[9], "um");
        total += std::stod(row[8].get<std::string>());
        border += row[10] == "true" ? 1 : 0;
    }

    // run.json: the input and every output with its digest.
    const Json record = Json::parse(readBytes(work / "out/a/run.json"));
    EXPECT_EQ(record["status"], "ok");
    EXPECT_TRUE(std::regex_match(record["created_utc"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
    EXPECT_EQ(record["input"]["sha256"], sha256OfFile(work / "a.tif"));
    EXPECT_EQ(record["pixel_size"]["source"], "command line");
    EXPECT_EQ(record["parameters"]["nAng"], "128");
    Names listed;
    for (const Json& output : record["outputs"]) {
        listed.push_back(output["path"]);
        EXPECT_EQ(output["sha256"], sha256OfFile(work / ("out/a/" + output["path"].get<std::string>())));
    }
    EXPECT_EQ(listed, (Names{"lines.tif", "data/dataLen.dat", "data/dataAng.dat", "data/histoLen.dat",
                             "data/histoAng.dat", "segments.csv", "overlay.png", "lengths.svg", "angles.svg",
                             "log.txt"}));
    const Json failed = Json::parse(readBytes(work / "out/missing/run.json"));
    EXPECT_EQ(failed["status"], "failed");
    EXPECT_TRUE(failed["input"].contains("sha256") && failed["input"]["sha256"].is_null());
    EXPECT_NE(failed["message"].get<std::string>().find("missing.tif"), std::string::npos);

    // summary.csv: one row per input in folder order, failed ones included.
    const Json summary = csvFile(work / "out/summary.csv");
    ASSERT_EQ(summary.size(), 7u);
    EXPECT_EQ(summary[0].size(), 16u);
    const Json& a = summary[1];
    EXPECT_EQ(a[0], "a.tif");
    EXPECT_EQ(a[6], std::to_string(segments.size() - 1));
    expectNear(a[7], total, 1e-12);
    EXPECT_EQ(a[12], std::to_string(border));
    EXPECT_EQ(a[13], "ok");
    for (int row : {2, 4, 5, 6})
        EXPECT_EQ(summary[row][13], "failed") << row;
    EXPECT_EQ(std::make_tuple(summary[2][0], summary[3][0], summary[6][0]),
              std::make_tuple("bomb.pgm", "c.png", "missing.tif"));

    // "kestrano summary" writes the same bytes from the run.json files.
    const std::string batchSummary = readBytes(work / "out/summary.csv");
    fs::remove(work / "out/summary.csv");
    EXPECT_EQ(runKestrano(work, {"summary", "out"}).status, 0);
    EXPECT_EQ(readBytes(work / "out/summary.csv"), batchSummary);

    // --params repeats the run: same parameters, pixel size and bytes.
    ASSERT_EQ(runKestrano(work, {"run", "a.tif", "--params", "out/a/run.json", "--out-dir", "again"}).status, 0);
    for (const std::string& name : listed)
        EXPECT_EQ(readBytes(work / ("again/a/" + name)), readBytes(work / ("out/a/" + name))) << name;
}

// The pages of a stack give what the same images give alone, and --jobs changes nothing but the times.
TEST(ResultsFolder, StackPagesEqualSingleImagesWhateverTheJobs)
{
    TempFolder work;
    std::vector<GreyImage> pages;
    Names inputs = {"stack.tif"};
    for (int i = 0; i < 3; ++i) {
        pages.push_back(barsImage(70 + 4 * i, 96, 5 * i));
        inputs.push_back("p" + std::to_string(i + 1) + ".tif");
        writeStack(work / inputs.back(), {pages.back()});
    }
    writeStack(work / "stack.tif", pages);
    std::map<std::string, std::map<std::string, std::string>> folders;
    std::map<std::string, std::string> printed;
    for (const std::string jobs : {"1", "3"}) {
        Names arguments = {"run", "--out-dir", "j" + jobs, "--jobs", jobs};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        const KestranoExit run = runKestrano(work, arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        printed[jobs] = run.out;
        auto files = snapshot(work / ("j" + jobs));
        for (auto& [name, bytes] : files) {
            if (name.size() > 8 && name.substr(name.size() - 8) == "run.json") {
                Json record = Json::parse(readBytes(work / ("j" + jobs + "/" + name)));
                record.erase("created_utc");
                record.erase("seconds");
                bytes = record.dump();
            } else if (name == "summary.csv") {
                Json rows = csvFile(work / ("j" + jobs + "/summary.csv"));
                for (Json& row : rows)
                    row.erase(row.size() - 1);
                bytes = rows.dump();
            }
        }
        folders[jobs] = files;
    }
    EXPECT_EQ(folders["1"].size(), 6u * 13u + 2u);  // per image: 11 files, its folder and data/
    EXPECT_EQ(folders["1"], folders["3"]);
    EXPECT_EQ(printed["1"], printed["3"]);
    EXPECT_EQ(namesIn(work / "j1"),
              (Names{"p1", "p2", "p3", "report.html", "stack-p1", "stack-p2", "stack-p3", "summary.csv"}));
    for (const char* name : {"lines.tif", "data/dataLen.dat", "data/histoAng.dat", "segments.csv", "log.txt"})
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(readBytes(work / ("j1/stack-p" + std::to_string(i) + "/" + name)),
                      readBytes(work / ("j1/p" + std::to_string(i) + "/" + name)))
                << name << " page " << i;
    EXPECT_EQ(Json::parse(readBytes(work / "j1/stack-p2/run.json"))["input"]["page"], 2);

    ASSERT_EQ(runKestrano(work, {"run", "stack.tif", "--pages", "2", "--out-dir", "one"}).status, 0);
    EXPECT_EQ(namesIn(work / "one"), (Names{"report.html", "stack-p2", "summary.csv"}));
}

// The pixel size from TIFF tags, and --no-pictures, which leaves everything else as it was.
TEST(ResultsFolder, PixelSizeFromTagsAndNoPictures)
{
    TempFolder work;
    GreyImage image = barsImage(80, 96, 2);
    image.resolution = TiffResolution{20000.0, 20000.0, 3, ""};  // 20000 pixels per cm: 0.5 um
    writeGreyImage(work / "a.tif", image);
    const KestranoExit full = runKestrano(work, {"run", "a.tif", "--out-dir", "full"});
    const KestranoExit bare = runKestrano(work, {"run", "a.tif", "--out-dir", "bare", "--no-pictures"});
    ASSERT_EQ(full.status, 0) << full.err;
    ASSERT_EQ(bare.status, 0) << bare.err;
    const Json size = Json::parse(readBytes(work / "full/a/run.json"))["pixel_size"];
    EXPECT_EQ(size["unit"], "um");
    EXPECT_DOUBLE_EQ(size["x"].get<double>(), 0.5);
    std::vector<std::string> warnings;
    const GreyImage painted = readGreyImage(work / "full/a/lines.tif", warnings);
    ASSERT_TRUE(painted.pixelScale.has_value());
    EXPECT_DOUBLE_EQ(painted.pixelScale->x, 0.5);
    // -o writes the bytes it always wrote: no resolution tags.
    ASSERT_EQ(runKestrano(work, {"run", "a.tif", "-o", "plain.tif"}).status, 0);
    EXPECT_FALSE(readGreyImage(work / "plain.tif", warnings).resolution.has_value());

    EXPECT_EQ(bare.err, full.err);  // no note from Qt about missing pictures
    EXPECT_EQ(bare.out, full.out);
    auto pictures = snapshot(work / "full/a");
    auto tables = snapshot(work / "bare/a");
    for (const char* name : {"overlay.png", "lengths.svg", "angles.svg", "run.json"})
        EXPECT_EQ(pictures.erase(name), 1u) << name;
    tables.erase("run.json");
    EXPECT_EQ(tables, pictures);
    EXPECT_NE(readBytes(work / "bare/report.html").find("no overlay"), std::string::npos);
}

// What only the built binary shows: its exit statuses, what it prints and the
// files it leaves. That its lines, image and data files are the pipeline's own
// is compared with in-process runs by the Python module's tests.
TEST(KestranoProcess, ExitStatusesAndWhatEachRunLeaves)
{
    const Names dataFiles = {"dataAng.dat", "dataLen.dat", "histoAng.dat", "histoLen.dat"};
    TempFolder work;
    writeGreyImage(work / "bars.tif", barsImage());
    const KestranoExit done =
        runKestrano(work, {"run", "bars.tif", "--set", "nAng=64", "-o", "out.tif", "--data-dir", "d"});
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.err, "");
    EXPECT_EQ(namesIn(work / "d"), Names{"data"});  // staging folder removed
    EXPECT_EQ(namesIn(work / "d/data"), dataFiles);

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
}

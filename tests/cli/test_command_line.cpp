#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/batch_plan.h"
#include "cli/command_line.h"
#include "cli/csv_text.h"
#include "cli/option_values.h"
#include "cli/run_parameters.h"
#include "cli/run_warnings.h"
#include "support/temp_folder.h"
#include "support/thrown_message.h"

using namespace kestrano;

using Arguments = std::vector<std::string>;

TEST(CommandLine, OptionsMayFollowOrPrecedeInputsAndBadUsageIsRefused)
{
    const CommandLine c =
        parseCommandLine({"run", "--set", "nAng=64", "a.tif", "--no-lines", "b.png", "--out-dir=out", "--set=th=",
                          "--pixel-size", "325nm", "--pages", "1,3-4", "--jobs=3", "--max-memory", "2G", "--",
                          "--odd.pgm"});
    EXPECT_EQ(std::tie(c.inputs, c.outputDir, c.settings, c.noLines, c.noSmoothing),
              std::make_tuple(Arguments{"a.tif", "b.png", "--odd.pgm"}, "out",
                              decltype(c.settings){{"nAng", "64"}, {"th", ""}}, true, false));
    EXPECT_EQ(std::tie(c.pixelSize->x, c.pixelSize->unit, c.pages, c.jobs, *c.maxMemory),
              std::make_tuple(325.0, "nm", std::set<std::int32_t>{1, 3, 4}, 3, 2ull << 30));
    EXPECT_EQ(parseCommandLine({"run", "x", "--help"}).action, CommandAction::Help);
    EXPECT_EQ(parseCommandLine({"summary", "out"}).summaryDir, "out");

    // Syntax errors, values out of range, then clashes that only the plan sees: all refused before anything
    // runs, each with the reason given.
    TempFolder folder;
    const std::string a = folder / "a.pgm";
    writeBytes(a, "P5\n1 1\n255\n\x07");
    std::filesystem::create_directory(folder / "sub.tif");
    ::mkfifo((folder / "pipe.pgm").c_str(), 0600);
    std::filesystem::create_directory(folder / "x");
    writeBytes(folder / "x/x.pgm", "P5\n1 1\n255\n\x07");
    const std::pair<Arguments, std::string> refused[] = {
        {{}, "no command given"},
        {{"convert", "a.tif"}, "unknown command \"convert\""},
        {{"run"}, "no input image given"},
        {{"summary"}, "summary needs exactly one results folder"},
        {{"summary", "-"}, "summary needs exactly one results folder"},
        {{"run", "-"}, "reading an image from standard input is not supported"},
        {{"run", "a.tif", "-"}, "reading an image from standard input is not supported"},
        {{"run", "--", "-"}, "(./- for a file called \"-\")"},
        {{"run", "a.tif", "--set", "=5"}, "--set needs a parameter name before '=', got \"=5\""},
        {{"run", "a.tif", "--set"}, "option --set needs a value"},
        {{"run", "a.tif", "--set", "x"}, "--set needs NAME=VALUE, got \"x\""},
        {{"run", "a.tif", "--bogus"}, "unknown option --bogus"},
        {{"run", "a.tif", "-x"}, "unknown option -x"},
        {{"run", "a.tif", "--no-lines=1"}, "option --no-lines takes no value"},
        {{"run", "a.tif", "b.tif", "-o", "x.tif"}, "-o names one output image"},
        {{"run", "a.tif", "-o", "x.tif", "--out-dir", "d"}, "-o and --out-dir cannot be used together"},
        {{"run", "a.tif", "-o", "x.tif", "--output", "y.tif"}, "option --output is given more than once"},
        {{"run", "a.tif", "--out-dir="}, "option --out-dir needs a non-empty value"},
        {{"run", "a.tif", "--out-dir", "d", "--data-dir", "e"}, "--data-dir cannot be used with --out-dir"},
        {{"run", "a.tif", "--overwrite"}, "--overwrite needs --out-dir"},
        {{"run", "a.tif", "--no-summary"}, "--no-summary needs --out-dir"},
        {{"run", "a.tif", "--no-pictures"}, "--no-pictures needs --out-dir"},
        {{"run", "a.tif", "--format", "png"}, "--format needs --out-dir"},
        {{"run", "a.tif", "--out-dir", "d", "--format", "jpg"}, "--format needs tif, png or pgm; got \"jpg\""},
        {{"run", "a.tif", "--params", "r.json", "--no-smoothing"}, "--params takes the stage switches"},
        {{"run", "a.tif", "--params", "r.json", "--no-lines"}, "--params takes the stage switches"},
        {{"run", "a.tif", "--pixel-size", "0.3furlong"}, "--pixel-size needs a number and a unit"},
        {{"run", "a.tif", "--pixel-size", "-1um"}, "--pixel-size needs a positive number"},
        {{"run", "a.tif", "--pages", "0"}, "--pages needs page numbers from 1 such as 1,3-5; got \"0\""},
        {{"run", "a.tif", "--pages", "3-2"}, "--pages needs page numbers from 1 such as 1,3-5; got \"3-2\""},
        {{"run", "a.tif", "--jobs", "0"}, "--jobs needs a whole number of at least 1; got \"0\""},
        {{"run", "a.tif", "--jobs", "2x"}, "--jobs needs a whole number of at least 1; got \"2x\""},
        {{"run", "a.tif", "--max-memory", "lots"}, "--max-memory needs a size such as 4G"},
        {{"run", a, "-o", folder / "sub.tif/../a.pgm"}, "is the input " + a},
        {{"run", a, folder / "sub.tif/a.png", "--out-dir", "out"}, "two inputs have the base name \"a\""},
        {{"run", folder / "x/x.pgm", "--out-dir", folder.path(), "--overwrite"}, "lies in " + folder.path()},
        {{"run", a, "-o", "a.jpg"}, "output a.jpg: JPEG is read but not written"},
        {{"run", a, "-o", folder / "nowhere/a.tif"}, "output folder " + folder / "nowhere does not exist"},
        {{"run", a, "-o", "/dev/null"}, "output /dev/null: unknown image extension"},
        {{"run", a, "-o", folder / "sub.tif"}, "output " + folder / "sub.tif is a folder"},
        {{"run", a, "-o", folder / "pipe.pgm"}, "output " + folder / "pipe.pgm is not a regular file"},
    };
    for (const auto& [arguments, reason] : refused) {
        const std::string message = thrownMessage<UsageError>([&] { planBatch(parseCommandLine(arguments)); });
        EXPECT_NE(message.find(reason), std::string::npos) << ::testing::PrintToString(arguments) << ": " << message;
    }
}

TEST(CommandLine, PlanNamesResultFoldersAndFormats)
{
    TempFolder folder;
    writeBytes(folder / "a.pgm", "P5\n1 1\n255\n\x07");
    const BatchPlan plan = planBatch(parseCommandLine({"run", folder / "a.pgm", "--out-dir", folder / "out"}));
    ASSERT_EQ(plan.tasks.size(), 1u);
    EXPECT_EQ(std::tie(plan.tasks[0].folder, plan.tasks[0].format), std::make_tuple("a", "pgm"));
    // The format follows the bytes, the name only for files that cannot be read.
    writeBytes(folder / "png.tif", "\x89PNG\r\n");
    writeBytes(folder / "pgm.png", "P5\n1");
    writeBytes(folder / "almost.png", "\x89PNx");
    for (const auto& [name, format] : {std::pair{"png.tif", "png"}, std::pair{"pgm.png", "pgm"},
                                       std::pair{"almost.png", "tif"}, std::pair{"missing.png", "png"},
                                       std::pair{"missing.jpg", "tif"}})
        EXPECT_EQ(resultFormatFor(folder / name, ""), format) << name;
    EXPECT_EQ(resultFormatFor(folder / "png.tif", "pgm"), "pgm");
}

TEST(RunParameters, SetEntriesActAsTheHostList)
{
    const ParamList defaults = buildParamList(parseCommandLine({"run", "a.tif"}));
    EXPECT_EQ(std::make_tuple(defaults.size(), defaults.at("positionX"), defaults.at("tipoOutput")),
              std::make_tuple(16u, "0", "n"));

    const ParamList list = buildParamList(parseCommandLine(
        {"run", "a.tif", "--no-gradient", "--no-threshold", "--set", "nAng=90", "--set", "nAng=45", "--set",
         "th=7", "--set", "positionY=-3"}));
    EXPECT_EQ(list.at("nAng"), "45");  // the later --set wins, and wins over the dialog
    EXPECT_EQ(list.at("th"), "7");     // present although "Thresholding" is cleared
    EXPECT_EQ(list.at("positionY"), "-3");
    EXPECT_EQ(list.count("s") + list.count("w"), 0u);
    EXPECT_EQ(std::tie(list.at("nIts"), list.at("dl")), std::make_tuple("25", "t"));
    EXPECT_EQ(buildParamList(parseCommandLine({"run", "a.tif", "--no-threshold"})).count("th"), 0u);

    // --params: the earlier run's list and options, under what the command line gives.
    TempFolder folder;
    writeBytes(folder / "run.json", R"({"status": "ok", "input": {}, "parameters": {"nAng": "64", "th": "9"},
                                        "options": {"pixel_size": "2um", "format": "png"}})");
    CommandLine again = parseCommandLine(
        {"run", "a.tif", "--params", folder / "run.json", "--pixel-size", "0.5um", "--set", "th=3", "--out-dir", "o"});
    const ParamList earlier = applyEarlierRun(again);
    EXPECT_EQ(std::make_pair(earlier.at("nAng"), earlier.at("th")), std::make_pair(std::string("64"), std::string("3")));
    EXPECT_EQ(std::tie(again.pixelSize->x, again.format), std::make_tuple(0.5, "png"));
}

TEST(CsvText, ShortestNumbersAndQuotedFields)
{
    EXPECT_EQ(formatNumber(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(formatNumber(-0.0), "0");
    EXPECT_EQ(formatNumber(42.0), "42");
    EXPECT_EQ(csvLine({"a,b", "say \"hi\"", "plain", "two\nlines"}),
              "\"a,b\",\"say \"\"hi\"\"\",plain,\"two\nlines\"\n");
}

TEST(OptionValues, PixelSizesAndPageLists)
{
    EXPECT_EQ(parsePixelSize("0.325\xC2\xB5m").unit, "um");
    EXPECT_EQ(parsePixelSize("0.5").unit, "um");
    EXPECT_EQ(parsePixelSize("2 mm").x, 2.0);
    EXPECT_EQ(parsePixelSize("2.5e-1 mm").x, 0.25);
    EXPECT_EQ(parsePixelSize("3E+1nm").x, 30.0);
    EXPECT_EQ(parsePageList("2,1-3,7"), (std::set<std::int32_t>{1, 2, 3, 7}));
    EXPECT_EQ(parseMemorySize("--max-memory", "64k"), 65536u);
    EXPECT_THROW(parsePageList("1,,2"), UsageError);
    EXPECT_THROW(parseMemorySize("--max-memory", "99999999999T"), UsageError);
}

TEST(RunWarnings, NameTheLikelyReasonFromWhatTheRunSaw)
{
    const auto result = [](bool thresholding, int high, DetectionCounts seen) {
        RunResult r;
        r.stages.lineDetection = true;
        r.stages.thresholding = thresholding;
        r.threshold = 150;
        r.thresholdValues.high = high;
        r.detection = seen;
        r.parameters = {{"th", "150"}, {"minSize", "50"}, {"maxSize", "100000"}, {"lMinLine", "40"}};
        return r;
    };
    const auto rows = [](int touching, int apart) {
        std::vector<SegmentRow> list(std::size_t(touching + apart));
        for (int k = 0; k < touching; ++k)
            list[std::size_t(k)].touchesBorder = true;
        return list;
    };
    const DetectionCounts searched{5, 0, 3, 3, 9};
    const std::string tail = " segments touch the image border (often the frame, not the objects; see touches_border)";
    struct Case {
        RunResult result;
        std::vector<SegmentRow> rows;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {result(true, 150, searched), {},
         {"no segment found: the stretched image never went above the threshold th=150 (its largest value is 150); "
          "lower th"}},
        {result(false, 150, {0, 0, 0, 0, 0}), {}, {"no segment found: no bright region was found"}},
        {result(true, 255, {4, 1, 0, 0, 0}), {},
         {"no segment found: none of the 4 regions passed the size filter (minSize=50, maxSize=100000)",
          "1 regions larger than maxSize=100000 were skipped"}},
        {result(true, 255, searched), {}, {"no segment found: no segment longer than lMinLine=40 in the 3 regions searched"}},
        {result(true, 255, searched), rows(1, 1), {}},
        {result(true, 255, searched), rows(2, 1), {"2 of 3" + tail}},
        {result(true, 255, {400, 0, 301, 282, 9}), rows(0, 2), {"the region cap searched only 282 of 301 regions"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(runWarnings(c.result, c.rows), c.warnings);
    RunResult off = result(true, 0, {});
    off.stages.lineDetection = false;
    EXPECT_EQ(runWarnings(off, {}), std::vector<std::string>{});
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/output_plan.h"
#include "cli/run_parameters.h"
#include "support/temp_folder.h"

using namespace kestrano;

TEST(CommandLine, OptionsMayFollowOrPrecedeInputsAndBadUsageIsRefused)
{
    const CommandLine c = parseCommandLine({"run", "--set", "nAng=64", "a.tif", "--no-lines", "b.png",
                                            "--out-dir=out", "--set=th=", "--data-dir", "d", "--", "--odd.pgm"});
    EXPECT_EQ(c.inputs, (std::vector<std::string>{"a.tif", "b.png", "--odd.pgm"}));
    EXPECT_EQ(c.outputDir, "out");
    EXPECT_EQ(c.dataDir, "d");
    EXPECT_EQ(c.settings, (decltype(c.settings){{"nAng", "64"}, {"th", ""}}));
    EXPECT_TRUE(c.noLines);
    EXPECT_FALSE(c.noSmoothing);
    EXPECT_EQ(parseCommandLine({"run", "x", "--help"}).action, CommandAction::Help);

    // Syntax errors, then clashes that only the output plan sees; both are refused before anything runs.
    TempFolder folder;
    const std::string a = folder / "a.pgm";
    writeBytes(a, "P5\n1 1\n255\n\x07");
    std::filesystem::create_directory(folder / "sub");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {}, {"convert", "a.tif"}, {"run"}, {"run", "a.tif", "--set", "=5"}, {"run", "a.tif", "--set"},
             {"run", "a.tif", "--set", "x"}, {"run", "a.tif", "--bogus"}, {"run", "a.tif", "--no-lines=1"},
             {"run", "a.tif", "b.tif", "-o", "x.tif"}, {"run", "a.tif", "-o", "x.tif", "--out-dir", "d"},
             {"run", "a.tif", "-o", "x.tif", "-o", "y.tif"}, {"run", a, "-o", folder / "sub/../a.pgm"},
             {"run", a, "--out-dir", folder.path()}, {"run", a, folder / "sub/a.png", "--out-dir", "out"},
             {"run", a, "-o", "a.jpg"}, {"run", a, "-o", folder / "nowhere/a.tif"}})
        EXPECT_THROW(planOutputs(parseCommandLine(arguments)), UsageError) << ::testing::PrintToString(arguments);
}

TEST(RunParameters, SetEntriesActAsTheHostList)
{
    const ParamList defaults = buildParamList(parseCommandLine({"run", "a.tif"}));
    EXPECT_EQ(defaults.size(), 16u);
    EXPECT_EQ(defaults.at("positionX"), "0");
    EXPECT_EQ(defaults.at("tipoOutput"), "n");

    const ParamList list = buildParamList(parseCommandLine(
        {"run", "a.tif", "--no-gradient", "--no-threshold", "--set", "nAng=90", "--set", "nAng=45", "--set",
         "th=7", "--set", "positionY=-3"}));
    EXPECT_EQ(list.at("nAng"), "45");  // the later --set wins, and wins over the dialog
    EXPECT_EQ(list.at("th"), "7");     // present although "Thresholding" is cleared
    EXPECT_EQ(list.at("positionY"), "-3");
    EXPECT_EQ(list.count("s") + list.count("w"), 0u);
    EXPECT_EQ(list.at("nIts"), "25");
    EXPECT_EQ(list.at("dl"), "t");
}

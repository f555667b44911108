#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pipeline/run_pipeline.h"
#include "preprocess/thresholding.h"
#include "support/capture_stdout.h"

namespace fs = std::filesystem;

namespace {

// The seven integers every run reads, at the dialog's initial values.
ParamList baseList()
{
    return {{"nAng", "128"}, {"lLine", "75"},       {"lMinLine", "40"}, {"speed", "2"},
            {"minSize", "50"}, {"maxSize", "100000"}, {"nBins", "10"},   {"tipoOutput", "n"}};
}

std::vector<std::uint16_t> ramp100()
{
    std::vector<std::uint16_t> v(100);
    for (int i = 0; i < 100; ++i)
        v[i] = static_cast<std::uint16_t>(i);
    return v;
}

class TempDir {
public:
    TempDir()
    {
        path_ = fs::temp_directory_path() / ("kestrano-pipeline-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readFile(const fs::path& p)
{
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Two bright bars on a dark background: one horizontal, one steep.
std::vector<std::uint16_t> twoBars(int rows, int cols)
{
    std::vector<std::uint16_t> img(static_cast<std::size_t>(rows * cols), 1000);
    for (int c = 10; c < 70; ++c)
        for (int r = 20; r < 24; ++r)
            img[r * cols + c] = 9000;
    for (int r = 30; r < 90; ++r)
        for (int d = 0; d < 4; ++d) {
            const int c = 80 + (r - 30) / 3 + d;
            img[r * cols + c] = 9000;
        }
    return img;
}

}  // namespace

TEST(RunPipeline, WithoutOptionalNamesOnlyTheStretchRuns)
{
    auto pixels = ramp100();
    ImageSize size{10, 10};
    TempDir dir;
    CaptureStdout out;
    runPipeline(pixels.data(), size, baseList(), dir.path().string());
    EXPECT_EQ(out.text(), "Tipo Salida: n\nMIN CDF: 5\nMAX CDF: 94\n");
    EXPECT_EQ(pixels[5], 0);
    EXPECT_EQ(pixels[6], 2);
    EXPECT_EQ(pixels[50], 128);
    EXPECT_EQ(pixels[93], 252);
    EXPECT_EQ(pixels[94], 255);
    EXPECT_EQ(size, (ImageSize{10, 10}));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(RunPipeline, ConversionFailuresStopBeforeAnythingChanges)
{
    struct Case {
        const char* name;
        const char* value;
        const char* message;
    };
    for (const Case& c : {Case{"nAng", "abc", "invalid stoi argument"},
                          Case{"nBins", "99999999999", "stoi argument out of range"},
                          Case{"lLine", "", "invalid stoi argument"}}) {
        auto pixels = ramp100();
        ImageSize size{10, 10};
        ParamList list = baseList();
        list[c.name] = c.value;
        CaptureStdout out;
        try {
            runPipeline(pixels.data(), size, list);
            ADD_FAILURE() << c.name << " did not fail";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(out.text(), "");
        EXPECT_EQ(pixels, ramp100());
    }
    // An absent integer fails as an empty text does.
    ParamList list = baseList();
    list.erase("speed");
    auto pixels = ramp100();
    ImageSize size{10, 10};
    EXPECT_THROW(runPipeline(pixels.data(), size, list), std::invalid_argument);
}

TEST(RunPipeline, ThresholdNameIsAnnouncedBeforeItsValueFails)
{
    auto pixels = ramp100();
    ImageSize size{10, 10};
    ParamList list = baseList();
    list["th"] = "high";
    CaptureStdout out;
    EXPECT_THROW(runPipeline(pixels.data(), size, list), std::invalid_argument);
    EXPECT_EQ(out.text(), "Tipo Salida: n\nMIN CDF: 5\nMAX CDF: 94\nUmbralizacion\n");
}

TEST(RunPipeline, ThresholdBinarisesTheStretchedImage)
{
    auto pixels = ramp100();
    ImageSize size{10, 10};
    ParamList list = baseList();
    list["th"] = "127";
    CaptureStdout out;
    runPipeline(pixels.data(), size, list);
    EXPECT_EQ(out.text(), "Tipo Salida: n\nMIN CDF: 5\nMAX CDF: 94\nUmbralizacion\nMAX MIN 255 0\n");
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(pixels[i], i >= 50 ? 255 : 0) << i;  // 49 -> 126, 50 -> 128
}

TEST(RunPipeline, GradientReadsSpreadThenWindowAndWritesTruncatedMagnitudes)
{
    const std::vector<std::uint16_t> rows = {0, 0, 100, 100, 0, 0, 100, 100, 0, 0, 100, 100};
    auto pixels = rows;
    ImageSize size{3, 4};
    ParamList list = baseList();
    list["s"] = "1";
    list["w"] = "2";
    CaptureStdout out;
    runPipeline(pixels.data(), size, list);
    EXPECT_EQ(out.text().substr(0, 22), "Tipo Salida: n\ns: 1, 2");

    // The gradient leaves 0, 18, 50, 62 in every row; the stretch follows.
    std::vector<std::uint16_t> expected = {0, 18, 50, 62, 0, 18, 50, 62, 0, 18, 50, 62};
    ImageSize same{3, 4};
    {
        CaptureStdout quiet;
        stretchContrast(expected.data(), same, 0, 255, 5);
    }
    EXPECT_EQ(pixels, expected);

    // Without "w" the window reads as an empty text: nothing is printed for the stage.
    list.erase("w");
    pixels = rows;
    CaptureStdout out2;
    EXPECT_THROW(runPipeline(pixels.data(), size, list), std::invalid_argument);
    EXPECT_EQ(out2.text(), "Tipo Salida: n\n");
    EXPECT_EQ(pixels, rows);
}

TEST(RunPipeline, SmoothingPrintsItsSettingsAndFeedsTheStretch)
{
    std::vector<std::uint16_t> pixels = {100, 100, 100, 100, 200, 100, 100, 100, 100};
    ImageSize size{3, 3};
    ParamList list = baseList();
    list["nIts"] = "1";
    CaptureStdout out;
    runPipeline(pixels.data(), size, list);
    // After one iteration: 89 at the corners, 97 at the edge middles, 190 in the centre.
    EXPECT_EQ(out.text(),
              "Tipo Salida: n\nnIts: 1\nAnisotropico devuelve float\niteraciones 1\nopcion 1\n"
              "kappa 2000\ndelta_t 0.14\nMIN CDF: 89\nMAX CDF: 190\n");
    EXPECT_EQ(pixels[0], 0);
    EXPECT_GE(pixels[4], 254);  // the largest value maps to the top, or one below it
}

TEST(RunPipeline, MissingOutputTypeIsTheNullCharacter)
{
    auto pixels = ramp100();
    ImageSize size{10, 10};
    ParamList list = baseList();
    list.erase("tipoOutput");
    CaptureStdout out;
    runPipeline(pixels.data(), size, list);
    EXPECT_EQ(out.text(), std::string("Tipo Salida: ") + '\0' + "\nMIN CDF: 5\nMAX CDF: 94\n");
}

TEST(RunPipeline, ImpossibleDetectionValuesAreRefusedUpFront)
{
    for (const char* name : {"speed", "nAng", "nBins"}) {
        auto pixels = ramp100();
        ImageSize size{10, 10};
        ParamList list = baseList();
        list["dl"] = "t";
        list[name] = "0";
        CaptureStdout out;
        try {
            runPipeline(pixels.data(), size, list);
            ADD_FAILURE() << name;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
        EXPECT_EQ(out.text(), "");
        EXPECT_EQ(pixels, ramp100());
    }
    // Without "dl" they are not used and do not matter.
    auto pixels = ramp100();
    ImageSize size{10, 10};
    ParamList list = baseList();
    list["speed"] = "0";
    CaptureStdout out;
    EXPECT_NO_THROW(runPipeline(pixels.data(), size, list));
}

TEST(RunPipeline, DetectionPaintsOntoTheImageAsHandedOverAndWritesTheData)
{
    const int rows = 100, cols = 120;
    const auto original = twoBars(rows, cols);
    auto pixels = original;
    ImageSize size{rows, cols};
    ParamList list = baseList();
    list["th"] = "150";
    list["dl"] = "t";
    list["lMinLine"] = "20";
    TempDir dir;
    const fs::path data = dir.path() / "data";
    fs::create_directories(data);
    std::string text;
    {
        CaptureStdout out;
        runPipeline(pixels.data(), size, list, data.string());
        text = out.text();
    }
    EXPECT_EQ(size, (ImageSize{cols, rows}));  // exchanged for detection and left so
    EXPECT_NE(text.find("Umbralizacion\nMAX MIN 255 0\nLine Detection\n"), std::string::npos);
    EXPECT_NE(text.find("Painting SL "), std::string::npos);

    // Unchanged except painted points, which hold the largest value minus 150.
    int painted = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] != original[i]) {
            ASSERT_EQ(pixels[i], 9000 - 150) << i;
            ++painted;
        }
    }
    EXPECT_GT(painted, 40);

    const std::string lengths = readFile(data / "dataLen.dat");
    const std::string angles = readFile(data / "dataAng.dat");
    ASSERT_FALSE(lengths.empty());
    const int total = std::stoi(lengths);
    EXPECT_GE(total, 2);
    EXPECT_EQ(std::stoi(angles), total);
    EXPECT_EQ(readFile(data / "histoLen.dat").substr(0, 3), "11\n");
    EXPECT_EQ(readFile(data / "histoAng.dat").substr(0, 3), "11\n");

    // Lines only: everything else is cleared.
    auto linesOnly = original;
    ImageSize size2{rows, cols};
    list["tipoOutput"] = "c";
    {
        CaptureStdout out;
        runPipeline(linesOnly.data(), size2, list, data.string());
    }
    for (std::size_t i = 0; i < linesOnly.size(); ++i)
        ASSERT_EQ(linesOnly[i], pixels[i] != original[i] ? 9000 - 150 : 0) << i;
}

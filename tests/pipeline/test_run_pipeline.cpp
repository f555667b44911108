#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/kestrano.h"
#include "pipeline/run_stages.h"
#include "preprocess/thresholding.h"
#include "support/log_sink.h"
#include "support/thrown_message.h"

using namespace kestrano;

namespace {

// The seven integers every run reads and the output type, at the dialog's values.
ParamList baseList()
{
    return {{"nAng", "128"}, {"lLine", "75"},       {"lMinLine", "40"}, {"speed", "2"},
            {"minSize", "50"}, {"maxSize", "100000"}, {"nBins", "10"},   {"tipoOutput", "n"}};
}

std::vector<std::uint16_t> ramp100()
{
    std::vector<std::uint16_t> v(100);
    std::iota(v.begin(), v.end(), 0);
    return v;
}

struct Outcome {
    std::string printed;
    std::string error;  // what() of the exception, if one was raised
    std::vector<std::uint16_t> pixels;
    ImageSize size;
};

// The driver's steps with their lines kept; runPipeline adds only standard
// output and the ./data files, which the plug-in's own test covers.
Outcome run(ParamList list, std::vector<std::uint16_t> pixels = ramp100(), ImageSize size = {10, 10})
{
    Outcome o{"", "", std::move(pixels), size};
    LogSink out;
    try {
        RunResult result;
        runStages(o.pixels.data(), o.size, list, out, RunOptions{}, result);
    } catch (const std::exception& e) {
        o.error = e.what();
    }
    o.printed = out.text();
    return o;
}

ParamList with(ParamList list, const std::string& name, const std::string& value)
{
    list[name] = value;
    return list;
}

}  // namespace

TEST(RunPipeline, EachStageThatRunsPrintsItsLines)
{
    ParamList noType = baseList();
    noType.erase("tipoOutput");
    const std::string stretched = "Tipo Salida: n\nMIN CDF: 5\nMAX CDF: 94\n";
    struct Case {
        ParamList list;
        std::vector<std::uint16_t> pixels;
        ImageSize size;
        std::string printed;
    };
    const Case cases[] = {
        {baseList(), ramp100(), {10, 10}, stretched},  // without optional names only the stretch runs
        {noType, ramp100(), {10, 10}, std::string("Tipo Salida: ") + '\0' + "\nMIN CDF: 5\nMAX CDF: 94\n"},
        // One iteration leaves 89 at the corners, 97 at the edge middles, 190 in the centre.
        {with(baseList(), "nIts", "1"), {100, 100, 100, 100, 200, 100, 100, 100, 100}, {3, 3},
         "Tipo Salida: n\nnIts: 1\nAnisotropico devuelve float\niteraciones 1\nopcion 1\n"
         "kappa 2000\ndelta_t 0.14\nMIN CDF: 89\nMAX CDF: 190\n"},
    };
    for (const Case& c : cases) {
        const Outcome o = run(c.list, c.pixels, c.size);
        EXPECT_EQ(o.error, "");
        EXPECT_EQ(o.printed, c.printed);
        EXPECT_EQ(o.size, c.size);
    }
}

TEST(RunPipeline, RefusalsStopWhereTheValueIsRead)
{
    ParamList noSpeed = baseList();
    noSpeed.erase("speed");
    const ParamList detecting = with(baseList(), "dl", "t");
    const std::string head = "Tipo Salida: n\n";
    const std::string stretched = head + "MIN CDF: 5\nMAX CDF: 94\n";
    struct Case {
        ParamList list;
        const char* error;
        std::string printed;
        bool untouched;
    };
    const Case cases[] = {
        {with(baseList(), "nAng", "abc"), "invalid stoi argument", "", true},
        {with(baseList(), "nBins", "99999999999"), "stoi argument out of range", "", true},
        {with(baseList(), "lLine", ""), "invalid stoi argument", "", true},
        {noSpeed, "invalid stoi argument", "", true},  // absent reads as empty
        {with(baseList(), "nIts", "x"), "invalid stoi argument", head, true},
        {with(baseList(), "s", "1"), "invalid stoi argument", head, true},  // no "w"
        {with(baseList(), "th", "high"), "invalid stoi argument", stretched + "Umbralizacion\n", false},
        // Limits and values detection cannot work with: before anything, and
        // the latter only when detection runs.
        {with(baseList(), "nIts", "200000"), "nIts = 200000 is outside the accepted range (at most 100000)", "",
         true},
        {with(detecting, "speed", "0"), "speed must be at least 1 (got 0)", "", true},
        {with(detecting, "nAng", "0"), "nAng must be at least 1 (got 0)", "", true},
        {with(detecting, "nBins", "0"), "nBins must be at least 1 (got 0)", "", true},
        {with(with(with(baseList(), "speed", "0"), "nAng", "0"), "nBins", "0"), "", stretched, false},
    };
    for (const Case& c : cases) {
        const Outcome o = run(c.list);
        EXPECT_EQ(o.error, c.error) << c.printed;
        EXPECT_EQ(o.printed, c.printed);
        EXPECT_EQ(o.pixels == ramp100(), c.untouched) << c.printed;
    }
    for (const char* name : {"speed", "nAng", "nBins"})  // 1 is enough
        EXPECT_EQ(run(with(detecting, name, "1")).error, "") << name;
}

TEST(RunPipeline, GradientReadsSpreadThenWindowAndWritesTruncatedMagnitudes)
{
    const std::vector<std::uint16_t> rows = {0, 0, 100, 100, 0, 0, 100, 100, 0, 0, 100, 100};
    const Outcome o = run(with(with(baseList(), "s", "1"), "w", "2"), rows, {3, 4});
    EXPECT_EQ(o.printed.substr(0, 22), "Tipo Salida: n\ns: 1, 2");
    // The gradient leaves 0, 18, 50, 62 in every row; the stretch follows.
    std::vector<std::uint16_t> expected = {0, 18, 50, 62, 0, 18, 50, 62, 0, 18, 50, 62};
    stretchContrast(expected.data(), ImageSize{3, 4}, 0, 255, 5, quietLog());
    EXPECT_EQ(o.pixels, expected);
}

TEST(RunPipeline, DetectionExchangesTheSizesAndPaintsLinesOnly)
{
    // A bright bar 4 rows high on a dark 30 x 80 background.
    std::vector<std::uint16_t> image(30 * 80, 100);
    for (int r = 10; r < 14; ++r)
        for (int c = 5; c < 75; ++c)
            image[r * 80 + c] = 356;
    ParamList list = with(with(with(baseList(), "th", "150"), "dl", "t"), "tipoOutput", "c");
    const Outcome o = run(list, image, {30, 80});
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.size, (ImageSize{80, 30}));  // exchanged for detection and left so
    EXPECT_NE(o.printed.find("Line Detection\nN lista= 1\n"), std::string::npos);
    int painted = 0;
    for (std::size_t i = 0; i < o.pixels.size(); ++i) {
        ASSERT_TRUE(o.pixels[i] == 0 || o.pixels[i] == 356 - 150) << i;
        painted += o.pixels[i] != 0 && image[i] == 356;
    }
    EXPECT_GT(painted, 60);
}

TEST(RunApi, NoPixelIsReadForEmptyOrNegativeSizes)
{
    // Negative sizes are refused as too large; an empty image runs on nothing.
    for (const ImageSize size : {ImageSize{-1, 5}, ImageSize{5, -1}, ImageSize{0, 5}}) {
        const bool negative = size[0] < 0 || size[1] < 0;
        RunResult r;
        const std::string error =
            thrownMessage<std::bad_alloc>([&] { r = kestrano::run(nullptr, size[0], size[1], baseList(), {}); });
        EXPECT_EQ(error, negative ? "std::bad_alloc" : "") << size[0] << " x " << size[1];
        EXPECT_TRUE(r.image.empty());
    }
    const std::vector<std::uint16_t> pixels = {7, 9};
    for (const ImageSize size : {ImageSize{2, 1}, ImageSize{1, 2}}) {
        const RunResult r = kestrano::run(pixels.data(), size[0], size[1], baseList(), RunOptions{});
        EXPECT_EQ((ImageSize{r.rows, r.cols}), size);
        EXPECT_EQ(r.image, (std::vector<std::uint16_t>{0, 255}));  // stretched
    }
}

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <hwy/targets.h>

#include "preprocess/diffusion_once_reference.h"
#include "preprocess/diffusion_rows.h"

using namespace kestrano;

namespace {

using Image = std::vector<float>;

// Every NaN compares as one pattern, as in the stage's own tests: which of
// two NaN operands an addition passes on is the compiler's choice of operand
// order, in the scalar pass as much as here. Everything else bit for bit.
std::uint32_t bitsOf(float f)
{
    std::uint32_t b = 0x7fc00000;
    if (!std::isnan(f))
        std::memcpy(&b, &f, 4);
    return b;
}

enum class Content { Uniform16Bit, ZeroAreasAndSpikes, AnyFloat };

Image makeImage(Content content, std::int32_t rows, std::int32_t cols)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> level(0, 65535);
    std::uniform_int_distribution<int> percent(0, 99);
    const float odd[] = {0.0f, -0.0f, -1.0f, -3.5e4f, 1e-42f, 3e38f, 65535.0f,
                         std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    Image image(static_cast<std::size_t>(rows) * cols);
    for (std::size_t i = 0; i < image.size(); ++i) {
        const auto r = static_cast<std::int32_t>(i / cols), c = static_cast<std::int32_t>(i % cols);
        const float any = static_cast<float>(level(random));
        const int p = percent(random);
        if (content == Content::Uniform16Bit)
            image[i] = any;
        else if (content == Content::ZeroAreasAndSpikes)  // zero blocks turn NaN
            image[i] = (r / 5 + c / 7) % 3 == 0 ? 0.0f : p < 3 ? 65535.0f : 1000.0f + any / 500;
        else
            image[i] = p < 20 ? odd[p % 9] : any - 2000.0f;
    }
    return image;
}

struct Case {
    const char* name;
    Content content;
    std::int32_t rows, cols;
    float kf;
    double deltaT;
};

// Three iterations of the reference over the whole image and of diffuseRows
// over bands starting at `cuts`, compared after every one.
void expectSameIterations(const Case& test, const std::vector<std::int32_t>& cuts)
{
    const reference::FluxWeights w{1.0f, 1.0f, 0.5f};
    Image expected = makeImage(test.content, test.rows, test.cols);
    Image got = expected;
    Image expectedNext(expected.size()), gotNext(got.size());
    for (int it = 1; it <= 3; ++it) {
        reference::diffuseOnce(expected.data(), expectedNext.data(), test.rows, test.cols,
                               test.kf, w, test.deltaT);
        for (std::size_t b = 0; b < cuts.size(); ++b)
            diffuseRows(got.data(), gotNext.data(), test.rows, test.cols, cuts[b],
                        b + 1 < cuts.size() ? cuts[b + 1] : test.rows, test.kf, w.wy, w.wx, w.wd,
                        test.deltaT);
        expected.swap(expectedNext);
        got.swap(gotNext);
        int wrong = 0;
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (bitsOf(got[i]) != bitsOf(expected[i]) && ++wrong <= 5)
                ADD_FAILURE() << test.name << ", iteration " << it << ", pixel " << i << ": "
                              << got[i] << " instead of " << expected[i];
        }
        ASSERT_EQ(wrong, 0);
    }
}

}  // namespace

TEST(DiffuseRows, MatchesTheScalarPassOnEveryTargetAndBandSplit)
{
    const Case cases[] = {
        {"1 x 1", Content::Uniform16Bit, 1, 1, 2000.0f, 0.14},
        {"1 row", Content::ZeroAreasAndSpikes, 1, 37, 2000.0f, 0.14},
        {"1 column", Content::ZeroAreasAndSpikes, 29, 1, 2000.0f, 0.14},
        {"2 x 2", Content::Uniform16Bit, 2, 2, 2000.0f, 0.14},
        {"odd width", Content::Uniform16Bit, 9, 13, 2000.0f, 0.14},
        {"zero areas, spikes", Content::ZeroAreasAndSpikes, 23, 45, 2000.0f, 0.14},
        {"width of a vector", Content::ZeroAreasAndSpikes, 12, 16, 300.0f, 0.14},
        {"wide, small kappa", Content::Uniform16Bit, 11, 67, 7.0f, 0.2},
        {"any float", Content::AnyFloat, 19, 21, 2000.0f, 0.14},
        {"overflowing step", Content::Uniform16Bit, 8, 11, 2000.0f, 1e36},
    };
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        for (const Case& test : cases) {
            std::vector<std::vector<std::int32_t>> splits = {{0}, {0, test.rows / 2}, {}};
            for (std::int32_t r = 0; r < test.rows; ++r)
                splits.back().push_back(r);  // every row on its own
            for (const auto& cuts : splits) {
                SCOPED_TRACE(std::to_string(cuts.size()) + " bands");
                expectSameIterations(test, cuts);
            }
        }
    }
    hwy::SetSupportedTargetsForTest(0);
}

TEST(DiffuseRows, WritesOnlyItsBand)
{
    const std::int32_t rows = 6, cols = 19;
    const Image in = makeImage(Content::Uniform16Bit, rows, cols);
    Image out(in.size(), -5.0f);
    diffuseRows(in.data(), out.data(), rows, cols, 2, 4, 2000.0f, 1.0f, 1.0f, 0.5f, 0.14);
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(out[i] == -5.0f, i < 2 * cols || i >= 4 * cols) << i;
}

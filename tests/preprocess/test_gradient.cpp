#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

#include "preprocess/gradient_filter.h"
#include "preprocess/pixel_conversions.h"

namespace {

constexpr double kCentreWeight = 0.9999999999999998;  // 1 / (1 + 2.2204e-16)

Matrix<std::uint16_t> imageOf(const std::vector<std::uint16_t>& pixels, const ImageSize& size)
{
    return pixelsToMatrix(pixels.data(), size);
}

// Three rows of 0, 0, 100, 100.
const std::vector<std::uint16_t> kRamp = {0, 0, 100, 100, 0, 0, 100, 100, 0, 0, 100, 100};

}  // namespace

TEST(GaussianKernel, WidthTwoSpreadOneIsOffCentre)
{
    auto k = gaussianKernel(2, 1.0);
    EXPECT_EQ(k[0][0], 0.3874556190002601);
    EXPECT_EQ(k[0][1], 0.2350037122015945);
    EXPECT_EQ(k[1][0], 0.2350037122015945);
    EXPECT_EQ(k[1][1], 0.14253695659655094);
    // w = 4: coordinates -1..2, so the peak sits at element (1, 1).
    auto k4 = gaussianKernel(4, 1.0);
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b)
            if (a != 1 || b != 1) {
                EXPECT_LT(k4[a][b], k4[1][1]);
            }
}

TEST(GaussianKernel, ZeroSpreadAndWidthOneKeepOnlyTheGuardedCentre)
{
    auto k = gaussianKernel(5, 0.0);
    for (int a = 0; a < 5; ++a)
        for (int b = 0; b < 5; ++b)
            EXPECT_EQ(k[a][b], a == 2 && b == 2 ? kCentreWeight : 0.0);
    EXPECT_EQ(gaussianKernel(1, 7.0)[0][0], kCentreWeight);
    EXPECT_THROW(gaussianKernel(-1, 1.0), std::bad_alloc);
}

TEST(GradientFilter, RampWithWidthTwoAndThree)
{
    const ImageSize size{3, 4};
    const auto image = imageOf(kRamp, size);
    // Smoothing with w = 2 weights the pixel up and to the left most.
    auto kernel = gaussianKernel(2, 1.0);
    auto padded = padReplicate(image, size, 1);
    auto window = newMatrixU16(2, 2);
    const double smoothed[4] = {0.0, 0.0, 37.754066879814545, 100.00000000000001};
    for (int c = 0; c < 4; ++c) {
        extractWindow(padded, window, 2, {2, c + 1});
        EXPECT_EQ(windowDot(window, kernel, 2), smoothed[c]) << c;
    }
    const double wide2[4] = {0.0, 18.877033439907272, 50.00000000000001, 62.24593312018547};
    const double wide3[4] = {27.406861906119694, 36.29656904694014, 36.29656904694015,
                             27.406861906119715};
    const std::uint16_t written2[4] = {0, 18, 50, 62}, written3[4] = {27, 36, 36, 27};
    auto g2 = gradientFilter(image, size, 2, 1);
    auto g3 = gradientFilter(image, size, 3, 1);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(g2[r][c], wide2[c]);
            EXPECT_EQ(g3[r][c], wide3[c]);
            EXPECT_EQ(truncToPixel(g2[r][c]), written2[c]);
            EXPECT_EQ(truncToPixel(g3[r][c]), written3[c]);
        }
}

TEST(GradientFilter, VerticalStepWithWidthOne)
{
    const std::vector<std::uint16_t> step = {0, 0, 0, 100, 100, 100, 0, 0, 0, 100, 100, 100};
    auto g = gradientFilter(imageOf(step, {2, 6}), {2, 6}, 1, 3);
    for (int r = 0; r < 2; ++r) {
        const double expected[6] = {0, 0, 49.999999999999986, 49.999999999999986, 0, 0};
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(g[r][c], expected[c]);
        EXPECT_EQ(truncToPixel(g[r][2]), 49);
    }
    // Steps at the first and last column: the one-sided difference, not halved;
    // with two rows the column derivative is one-sided too (and 0 here).
    const std::vector<std::uint16_t> ends = {0, 100, 100, 0, 0, 100, 100, 0};
    auto e = gradientFilter(imageOf(ends, {2, 4}), {2, 4}, 1, 1);
    EXPECT_EQ(e[0][0], 100 * kCentreWeight);
    EXPECT_EQ(e[1][3], 100 * kCentreWeight);
    EXPECT_EQ(e[0][1], 50 * kCentreWeight);
}

TEST(GradientFilter, FlatImageAndEmptyKernelGiveZero)
{
    const std::vector<std::uint16_t> flat(20, 777);
    for (int w : {0, 3, 4}) {
        auto g = gradientFilter(imageOf(flat, {4, 5}), {4, 5}, w, 2);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 5; ++c)
                EXPECT_EQ(g[r][c], 0.0) << "w " << w;
    }
    auto zero = gradientFilter(imageOf(kRamp, {3, 4}), {3, 4}, 0, 1);  // empty kernel
    EXPECT_EQ(zero[1][2], 0.0);
}

TEST(GradientFilter, RefusesImagesNarrowerThanTwo)
{
    const std::vector<std::uint16_t> line(5, 9);
    for (const ImageSize& size : {ImageSize{1, 5}, ImageSize{5, 1}, ImageSize{0, 0}}) {
        try {
            gradientFilter(imageOf(line, size), size, 3, 1);
            FAIL() << "accepted " << size[0] << "x" << size[1];
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "the gradient filter needs an image of at least 2 x 2 pixels");
        }
    }
    EXPECT_THROW(gradientFilter(imageOf(kRamp, {3, 4}), {3, 4}, -2, 1), std::bad_alloc);
}

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <random>
#include <stdexcept>
#include <vector>

#include "preprocess/gradient_pass.h"
#include "preprocess/gradient_reference.h"
#include "preprocess/matrix.h"
#include "preprocess/pixel_conversions.h"
#include "support/thrown_message.h"

using namespace kestrano;

TEST(GradientPass, RefusesImagesNarrowerThanTwoAndNegativeWidths)
{
    std::vector<std::uint16_t> pixels(12, 100);
    for (const ImageSize& size : {ImageSize{1, 5}, ImageSize{5, 1}, ImageSize{0, 0}})
        EXPECT_EQ(thrownMessage<std::invalid_argument>([&] { gradientInPlace(pixels.data(), size, 3, 1, 2); }),
                  "the gradient filter needs an image of at least 2 x 2 pixels") << size[0] << "x" << size[1];
    EXPECT_THROW(gradientInPlace(pixels.data(), {3, 4}, -2, 1, 2), std::bad_alloc);
}

TEST(GradientPass, SameAsTheStepsForEveryWindowShapeAndThreadCount)
{
    // Random images with 65535 spikes and flat stretches; heights around the
    // band split and the halo of wide windows.
    std::mt19937 rng(7);
    for (const ImageSize& size : {ImageSize{2, 2}, ImageSize{2, 9}, ImageSize{9, 2}, ImageSize{17, 5},
                                  ImageSize{40, 33}, ImageSize{71, 12}}) {
        std::vector<std::uint16_t> pixels(static_cast<std::size_t>(size[0]) * size[1]);
        for (auto& p : pixels) {
            const unsigned pick = rng() % 10;
            p = pick == 0 ? 65535 : pick < 3 ? 1000 : static_cast<std::uint16_t>(rng() % 4000);
        }
        for (int w : {0, 1, 2, 3, 4, 5, 8}) {
            for (int s : {0, 1, 3}) {
                const Matrix<double> g = gradientFilter(pixelsToMatrix(pixels.data(), size), size, w, s);
                std::vector<std::uint16_t> expected(pixels.size());
                for (int r = 0; r < size[0]; ++r)
                    for (int c = 0; c < size[1]; ++c)
                        expected[std::size_t(r) * size[1] + c] = truncToPixel(g[r][c]);
                for (int threads : {1, 2, 3, 7}) {
                    std::vector<std::uint16_t> fast = pixels;
                    gradientInPlace(fast.data(), size, w, s, threads);
                    ASSERT_EQ(fast, expected) << size[0] << "x" << size[1] << " w " << w << " s " << s
                                              << " threads " << threads;
                }
            }
        }
    }
}

TEST(Matrix, NegativeExtentsFailAsAllocationFailures)
{
    EXPECT_THROW(newMatrixU16(-1, 4), std::bad_alloc);
    EXPECT_THROW(newMatrixDouble(2, -3), std::bad_alloc);
    EXPECT_THROW(newZeroMatrixU16(-5, -5), std::bad_alloc);
    EXPECT_NO_THROW(newMatrixDouble(0, -3));  // no row to allocate
}

TEST(PixelConversions, FloatToPixelsTruncatesAndWrapsWithoutClamping)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {12.9f, -1.5f, 65535.996f, 65536.0f, 65537.5f, -0.7f, nan, inf, 1e30f, -70000.0f};
    // -1 and -70000 wrap modulo 65536; NaN, infinities and values beyond 2^63 give 0.
    EXPECT_EQ(floatToPixels(values, 10),
              (std::vector<std::uint16_t>{12, 65535, 65535, 0, 1, 0, 0, 0, 0,
                                          static_cast<std::uint16_t>(-70000 & 0xFFFF)}));
    EXPECT_TRUE(floatToPixels(values, 0).empty());
}

TEST(PixelConversions, TruncToInt32HasDefinedResultsEverywhere)
{
    EXPECT_EQ(truncToInt32(-2.7), -2);
    EXPECT_EQ(truncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(truncToInt32(-2147483648.9), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(truncToInt32(2147483648.0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(truncToInt32(std::nan("")), std::numeric_limits<std::int32_t>::min());
}

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "preprocess/pixel_conversions.h"
#include "preprocess/thresholding.h"
#include "support/capture_stdout.h"

namespace {

// Runs the driver's stretch; returns what it printed.
std::string stretch(std::vector<std::uint16_t>& pixels, ImageSize size)
{
    CaptureStdout out;
    stretchContrast(pixels.data(), size, 0, 255, 5);
    return out.text();
}

}  // namespace

TEST(MinMaxAndHistogram, ScanWholeBufferWithEmptyBins)
{
    const std::vector<std::uint16_t> pixels = {3, 9, 9, 0, 7, 2};
    std::int32_t largest = -1, smallest = -1;
    minMaxPixels(pixels.data(), {0, 3}, largest, smallest);
    EXPECT_EQ(largest, 0);
    EXPECT_EQ(smallest, 65535);
    const Histogram h = buildHistogram(pixels.data(), {2, 3});
    EXPECT_EQ(h.binCount, 10);
    EXPECT_EQ(h.binValues, (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(h.binCounts, (std::vector<std::int32_t>{1, 0, 1, 1, 0, 0, 0, 1, 0, 2}));
}

TEST(StretchContrast, HundredDistinctLevels)
{
    std::vector<std::uint16_t> pixels(100);
    std::iota(pixels.begin(), pixels.end(), 0);
    EXPECT_EQ(stretch(pixels, {10, 10}), "MIN CDF: 5\nMAX CDF: 94\n");
    const float scale = 2.865168571472168f;
    for (int v = 0; v < 100; ++v) {
        const std::uint16_t expected =
            v <= 5 ? 0 : v >= 94 ? 255 : truncToPixel(double(float(v - 5) * scale));
        EXPECT_EQ(pixels[v], expected) << v;
    }
    EXPECT_EQ(pixels[6], 2);
    EXPECT_EQ(pixels[50], 128);
    EXPECT_EQ(pixels[93], 252);
}

TEST(StretchContrast, DegenerateLimits)
{
    std::vector<std::uint16_t> constant(12, 40);
    EXPECT_EQ(stretch(constant, {3, 4}), "MIN CDF: 40\nMAX CDF: 40\n");
    EXPECT_EQ(constant, std::vector<std::uint16_t>(12, 0));  // 0 * inf

    std::vector<std::uint16_t> zeros(12, 0);
    EXPECT_EQ(stretch(zeros, {3, 4}), "MIN CDF: 0\nMAX CDF: 255\n");
    EXPECT_EQ(zeros, std::vector<std::uint16_t>(12, 0));

    std::vector<std::uint16_t> untouched = {1234};
    EXPECT_EQ(stretch(untouched, {0, 1}), "MIN CDF: 255\nMAX CDF: 255\n");
    EXPECT_EQ(untouched[0], 1234);
}

TEST(StretchContrast, MostlyZerosKeepsValuesUpTo255)
{
    std::vector<std::uint16_t> pixels(100, 0);  // more than 95 % zeros
    std::copy_n(std::vector<std::uint16_t>{100, 255, 256, 1000}.begin(), 4, pixels.begin());
    EXPECT_EQ(stretch(pixels, {100, 1}), "MIN CDF: 0\nMAX CDF: 255\n");
    EXPECT_EQ(std::vector<std::uint16_t>(pixels.begin(), pixels.begin() + 5),
              (std::vector<std::uint16_t>{100, 255, 255, 255, 0}));
}

TEST(StretchContrast, PixelAtHighCanRoundBelowTheTop)
{
    std::vector<std::uint16_t> pixels(100, 12);
    std::fill(pixels.begin(), pixels.begin() + 10, 10);
    std::fill(pixels.end() - 10, pixels.end(), 17);
    pixels[50] = 18;
    EXPECT_EQ(stretch(pixels, {4, 25}), "MIN CDF: 10\nMAX CDF: 17\n");
    EXPECT_EQ(pixels[0], 0);     // at low
    EXPECT_EQ(pixels[99], 254);  // at high, 7 * (255 / 7) < 255 in float
    EXPECT_EQ(pixels[50], 255);  // just above high
}

TEST(ApplyThreshold, TwoLevelsFromTheImageExtremes)
{
    const std::vector<std::uint16_t> original = {3, 200, 127, 128, 90};
    auto run = [&](std::int32_t threshold, std::string* printed = nullptr) {
        std::vector<std::uint16_t> pixels = original;
        CaptureStdout out;
        applyThreshold(pixels.data(), {1, 5}, threshold);
        if (printed)
            *printed = out.text();
        return pixels;
    };
    std::string printed;
    EXPECT_EQ(run(127, &printed), (std::vector<std::uint16_t>{3, 200, 3, 200, 3}));
    EXPECT_EQ(printed, "MAX MIN 200 3\n");
    EXPECT_EQ(run(2), std::vector<std::uint16_t>(5, 200));
    EXPECT_EQ(run(200), std::vector<std::uint16_t>(5, 3));

    std::vector<std::uint16_t> same(6, 77);
    CaptureStdout quiet;
    applyThreshold(same.data(), {2, 3}, 10);
    EXPECT_EQ(same, std::vector<std::uint16_t>(6, 77));
}

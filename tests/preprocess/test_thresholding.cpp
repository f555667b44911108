#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "preprocess/thresholding.h"
#include "support/log_sink.h"

using namespace kestrano;

namespace {

using Pixels = std::vector<std::uint16_t>;

// Runs the driver's stretch; returns what it printed.
std::string stretch(Pixels& pixels, ImageSize size)
{
    LogSink out;
    stretchContrast(pixels.data(), size, 0, 255, 5, out);
    return out.text();
}

}  // namespace

TEST(MinMaxPixels, NoPixels)
{
    const Pixels pixels = {3, 9};
    std::int32_t largest = -1, smallest = -1;
    minMaxPixels(pixels.data(), {0, 2}, largest, smallest);
    EXPECT_EQ(std::make_pair(largest, smallest), std::make_pair(0, 65535));
}

TEST(StretchContrast, HundredDistinctLevels)
{
    Pixels pixels(100);
    std::iota(pixels.begin(), pixels.end(), 0);
    EXPECT_EQ(stretch(pixels, {10, 10}), "MIN CDF: 5\nMAX CDF: 94\n");
    EXPECT_EQ(Pixels(pixels.begin(), pixels.begin() + 7), (Pixels{0, 0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(pixels[50], 128);
    EXPECT_EQ(Pixels(pixels.begin() + 93, pixels.end()), (Pixels{252, 255, 255, 255, 255, 255, 255}));
}

TEST(StretchContrast, DegenerateAndSkewedImages)
{
    Pixels constant(12, 40), zeros(12, 0), untouched = {1234};
    EXPECT_EQ(stretch(constant, {3, 4}), "MIN CDF: 40\nMAX CDF: 40\n");
    EXPECT_EQ(constant, Pixels(12, 0));  // 0 * inf
    EXPECT_EQ(stretch(zeros, {3, 4}), "MIN CDF: 0\nMAX CDF: 255\n");
    EXPECT_EQ(zeros, Pixels(12, 0));
    EXPECT_EQ(stretch(untouched, {0, 1}), "MIN CDF: 255\nMAX CDF: 255\n");
    EXPECT_EQ(untouched[0], 1234);

    Pixels mostlyZeros(100, 0);  // more than 95 % zeros: values up to 255 stay
    std::copy_n(Pixels{100, 255, 256, 1000}.begin(), 4, mostlyZeros.begin());
    EXPECT_EQ(stretch(mostlyZeros, {100, 1}), "MIN CDF: 0\nMAX CDF: 255\n");
    EXPECT_EQ(Pixels(mostlyZeros.begin(), mostlyZeros.begin() + 5), (Pixels{100, 255, 255, 255, 0}));

    Pixels narrow(100, 12);
    std::fill(narrow.begin(), narrow.begin() + 10, 10);
    std::fill(narrow.end() - 10, narrow.end(), 17);
    narrow[50] = 18;
    EXPECT_EQ(stretch(narrow, {4, 25}), "MIN CDF: 10\nMAX CDF: 17\n");
    // At low, at high (7 * (255 / 7) < 255 in float), just above high.
    EXPECT_EQ((Pixels{narrow[0], narrow[99], narrow[50]}), (Pixels{0, 254, 255}));
}

TEST(ApplyThreshold, TwoLevelsFromTheImageExtremes)
{
    LogSink out;
    auto run = [&out](Pixels pixels, std::int32_t threshold) {
        applyThreshold(pixels.data(), {1, std::int32_t(pixels.size())}, threshold, out);
        return pixels;
    };
    EXPECT_EQ(run({3, 200, 127, 128, 90}, 127), (Pixels{3, 200, 3, 200, 3}));
    EXPECT_EQ(out.text(), "MAX MIN 200 3\n");
    EXPECT_EQ(run({3, 200, 127, 128, 90}, 2), Pixels(5, 200));
    EXPECT_EQ(run({3, 200, 127, 128, 90}, 200), Pixels(5, 3));
    EXPECT_EQ(run(Pixels(6, 77), 10), Pixels(6, 77));
}

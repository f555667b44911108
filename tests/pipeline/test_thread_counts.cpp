#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/kestrano.h"
#include "core/run_settings.h"

using namespace kestrano;

namespace {

// Bright bars on a noisy background: most of them crossing into one large
// region (one region holds most of the line search), a few short ones apart,
// a black area (not-a-number in the diffusion) and 65535 spikes.
std::vector<std::uint16_t> unevenImage(int rows, int cols)
{
    std::mt19937 rng(31);
    std::vector<std::uint16_t> img(static_cast<std::size_t>(rows) * cols);
    for (auto& p : img)
        p = static_cast<std::uint16_t>(4000 + rng() % 700);
    const auto bar = [&](double x0, double y0, double angle, int length, int width) {
        for (int t = 0; t < length; ++t)
            for (int k = -width / 2; k <= width / 2; ++k) {
                const int x = static_cast<int>(x0 + t * std::cos(angle) - k * std::sin(angle));
                const int y = static_cast<int>(y0 + t * std::sin(angle) + k * std::cos(angle));
                if (x >= 0 && x < cols && y >= 0 && y < rows)
                    img[static_cast<std::size_t>(y) * cols + x] = 40000;
            }
    };
    for (int k = 0; k < 9; ++k)
        bar(10 + 15 * k, 5, 0.3 + 0.25 * k, 110, 3);  // crossing: one region
    bar(150, 100, 0.0, 45, 3);
    bar(5, 110, 1.2, 25, 2);
    for (int y = 60; y < 75; ++y)
        for (int x = 120; x < 140; ++x)
            img[static_cast<std::size_t>(y) * cols + x] = 0;
    for (int k = 0; k < 12; ++k)
        img[rng() % img.size()] = 65535;
    return img;
}

}  // namespace

TEST(ThreadCounts, SameImageLinesAndPrintedLinesForEveryCount)
{
    const int rows = 120, cols = 200;
    const std::vector<std::uint16_t> img = unevenImage(rows, cols);
    DialogValues plain, dense;
    plain.gradientOn = false;
    dense.minSize = 5, dense.nAng = 90, dense.speed = 1, dense.lMinLine = 15, dense.nIts = 4;
    const std::int32_t origin[3] = {0, 0, 0};
    for (const DialogValues& values : {plain, dense}) {
        ParamList list = startParamList({}, origin);
        addDialogValues(list, values);
        std::ostringstream firstLog;
        const RunResult first = run(img.data(), rows, cols, list, RunOptions{&firstLog, 1});
        ASSERT_GT(first.detection.candidates, 100u) << firstLog.str().substr(0, 600);
        ASSERT_FALSE(first.lines.empty());
        for (int threads : {2, 3, 7}) {
            std::ostringstream log;
            const RunResult other = run(img.data(), rows, cols, list, RunOptions{&log, threads});
            EXPECT_EQ(log.str(), firstLog.str()) << threads << " threads";
            EXPECT_EQ(other.image, first.image) << threads << " threads";
            // The log lists every kept line of every region, pass by pass.
            EXPECT_EQ(other.detection.candidates, first.detection.candidates);
            EXPECT_EQ(other.lengthHistogram.binCounts, first.lengthHistogram.binCounts);
        }
    }
}

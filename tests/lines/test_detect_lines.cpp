#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

#include "label_image.h"
#include "lines/candidate_search.h"
#include "lines/detect_lines.h"
#include "lines/trace_line_reference.h"
#include "support/log_sink.h"
#include "support/thrown_message.h"

using namespace kestrano;

namespace {

// Foreground 255 on 64 columns x 48 rows: a horizontal bar of 3 rows, a
// vertical bar of 3 columns, a short bar of 2 rows.
LabelImage threeBars()
{
    LabelImage img(64, 48);
    img.fill(5, 10, 54, 12, 255);
    img.fill(40, 16, 42, 45, 255);
    img.fill(3, 40, 25, 41, 255);
    return img;
}

}  // namespace

TEST(DetectLines, RefusedStepsAndNothingToTrace)
{
    LabelImage img = threeBars(), empty(16, 12);
    const auto before = img.pixels;
    LogSink out;
    EXPECT_EQ(thrownMessage<std::invalid_argument>(
                  [&] { detectLines(img.pixels.data(), img.size, 0, 128, 20, 10, 100000, out); }),
              "speed must be at least 1 (got 0)");
    EXPECT_THROW(detectLines(img.pixels.data(), img.size, 2, -3, 20, 10, 100000, out),
                 std::invalid_argument);
    EXPECT_EQ(out.text(), "");  // refused before anything
    EXPECT_EQ(img.pixels, before);
    EXPECT_TRUE(detectLines(empty.pixels.data(), empty.size, 2, 128, 40, 50, 100000, out).empty());
    EXPECT_TRUE(detectLines(img.pixels.data(), img.size, 2, 1, 20, 10, 100000, out).empty());  // nAng 1: no direction
    EXPECT_EQ(out.text(), "N lista= 0\nN Antes Optimiza: 0\nTamanho Mapa: 0\n"
                          "N lista= 3\n0\r1\r2\rN Antes Optimiza: 0\nTamanho Mapa: 0\n");
}

TEST(DetectLines, ThreeBarsEndToEnd)
{
    // 1.5707963268 is a hair past pi/2: only seeds in the right column of the
    // vertical bar measure it. 30 candidates on the long bar, 5 on the
    // vertical one, 1 on the short one.
    LabelImage img = threeBars();
    LogSink out;
    const LineGroups groups = detectLines(img.pixels.data(), img.size, 2, 4, 20, 10, 100000, out);
    EXPECT_EQ(out.text(),
              "N lista= 3\n0\r1\r2\rN Antes Optimiza: 36\nTamanho Mapa: 3\n"
              "Nueva N Despues Optimiza 0: 1\n256, 49, 32.0975, 0, 0\n"
              "Nueva N Despues Optimiza 1: 1\n256, 49, 32.0975, 0, 0\n"
              "Nueva N Despues Optimiza 0: 1\n257, 30, 52.2015, 90, -1.95947e+11\n"
              "Nueva N Despues Optimiza 1: 1\n257, 30, 52.2015, 90, -1.95947e+11\n");
    ASSERT_EQ(groups.size(), 3u);
    ASSERT_EQ(groupAt(groups, 0).size(), 1u);
    EXPECT_EQ(groupAt(groups, 0)[0].x1(), 6.0);
    EXPECT_EQ(groupAt(groups, 0)[0].x2(), 55.0);
    ASSERT_EQ(groupAt(groups, 1).size(), 1u);
    EXPECT_EQ(groupAt(groups, 1)[0].y2(), 46.0);
    EXPECT_TRUE(groupAt(groups, 2).empty());  // a lone candidate is not kept
}

TEST(DetectLines, AboveThreeHundredRegionsOnlyTheFirst94PercentAreVisited)
{
    // Isolated pixels, each one candidate of length 1 with lMinLine 0.
    for (const auto& [regions, visited] : {std::pair{300, 300}, std::pair{301, 282}}) {
        LabelImage img(64, 64);
        for (int k = 0; k < regions; ++k)
            img.at(2 * (k % 30) + 1, 2 * (k / 30) + 1) = 255;
        for (int threads : {1, 3}) {
            LabelImage copy = img;
            LogSink out;
            DetectionCounts counts;
            const LineGroups groups =
                detectLines(copy.pixels.data(), copy.size, 1, 2, 0, -1, 100000, out, &counts, threads);
            EXPECT_EQ(groups.size(), std::size_t(visited));
            EXPECT_EQ(counts.kept, regions);
            EXPECT_EQ(counts.visited, visited);
            EXPECT_NE(out.text().find(std::to_string(visited - 1) + "\rN Antes Optimiza: " + std::to_string(visited)),
                      std::string::npos);
            EXPECT_EQ(out.text().find("Nueva"), std::string::npos);
        }
    }
}

TEST(CandidateSearch, SameCandidatesAsScanningTheWholeGridPerRegion)
{
    std::mt19937 rng(99);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::size_t total = 0;
    // Every seed of the grid traced literally, region after region, against the search.
    const auto expectSameCandidates = [&](const LabelImage& img, const std::vector<std::uint32_t>& labels,
                                          std::int32_t speed, std::int32_t nAng, std::int32_t lMinLine,
                                          int threads) {
        LogSink out;
        const LineList fast = traceCandidates(img.data(), img.size, speed, nAng, lMinLine, labels, out, threads);
        std::string progress;
        for (std::size_t i = 0; i < labels.size(); ++i)
            progress += std::to_string(i) + '\r';
        EXPECT_EQ(out.text(), progress);
        LineList scan;
        for (std::uint32_t label : labels)
            for (std::int32_t x = 0; x < img.size[0]; x += speed)
                for (std::int32_t y = 0; y < img.size[1]; y += speed)
                    for (std::int32_t k = 0; k < nAng / 2 && img.pixels[y * img.size[0] + x] == label; ++k) {
                        const StraightLine l =
                            traceLine(img.data(), img.size, x, y, k * 6.2831853072 / nAng, lMinLine, label);
                        if (l.valid() && l.length() > lMinLine)
                            scan.push_back(l);
                    }
        ASSERT_EQ(fast.size(), scan.size());
        for (std::size_t i = 0; i < scan.size(); ++i)
            ASSERT_EQ(geometry(fast[i]), geometry(scan[i])) << "candidate " << i;
        total += scan.size();
    };
    // Strokes and bars of six labels in dense small and sparse wide images.
    for (int trial = 0; trial < 16; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const int w = trial % 2 ? 160 : 60, h = trial % 2 ? 120 : 50;
        LabelImage img(w, h);
        for (int b = 0; b < 30; ++b) {
            const auto label = std::uint16_t(256 + b % 6);
            const int x = uniform(0, w - 5), y = uniform(0, h - 5);
            const double a = uniform(0, 628) / 100.0;
            for (int t = 0; t < 40 && b % 2; ++t) {
                const int px = x + int(std::lround(t * std::cos(a))),
                          py = y + int(std::lround(t * std::sin(a)));
                if (px >= 0 && px < w - 1 && py >= 0 && py < h - 1)
                    img.fill(px, py, px + 1, py + 1, label);
            }
            if (b % 2 == 0)
                img.fill(x, y, std::min(w - 1, x + uniform(0, 30)), std::min(h - 1, y + uniform(0, 4)), label);
        }
        // One-pixel regions, bars along the frame (the last row and column too),
        // a region on the first row alone and one of the last 16-bit label.
        for (int d = 0; d < 20; ++d)
            img.at(uniform(0, w - 1), uniform(0, h - 1)) = std::uint16_t(256 + d % 6);
        img.fill(0, h - 1, w - 1, h - 1, 257);
        img.fill(w - 1, 0, w - 1, h / 2, 258);
        img.fill(w / 3, 0, w - 5, 0, 262);
        img.fill(2, h / 2, w / 2, h / 2 + 1, 65535);
        const std::int32_t speed = uniform(1, 3), nAng = uniform(1, 40), lMinLine = uniform(-1, 15);
        const int threads = 1 + trial % 4 + (trial % 4 == 3 ? 4 : 0);  // 1, 2, 3, 7
        expectSameCandidates(img, {257, 256, 300, 259, 258, 70000, 65535, 261, 262, 260}, speed, nAng, lMinLine, threads);
    }
    // Rows and columns of dashes 1..3 long with gaps of 1..4: every jump the
    // clearance allows lands near a dash, so a jump one step too long skips
    // one. Seeds on every pixel, 32 directions. Dashes one pixel apart chain
    // into segments around lMinLine samples long.
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE("dashes " + std::to_string(trial));
        const int w = 24 + trial * 3, h = 18 + trial;
        LabelImage img(w, h);
        for (int y = 1 + trial % 3; y < h; y += 2 + trial % 3)
            for (int x = uniform(0, 2); x < w; x += uniform(2, 7))
                img.fill(x, y, std::min(w - 1, x + uniform(0, 2)), y, 256);
        for (int x = trial % 4; x < w; x += 5 + trial % 4)
            for (int y = uniform(0, 3); y < h; y += uniform(3, 7))
                img.fill(x, y, x, std::min(h - 1, y + uniform(0, 1)), 256);
        expectSameCandidates(img, {256}, 1, 64, 1 + trial % 6, 1 + trial % 3);
    }
    EXPECT_GT(total, 50000u);
}

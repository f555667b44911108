#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include <hwy/targets.h>

#include "label_image.h"
#include "lines/optimize_passes.h"
#include "lines/pruning_background.h"
#include "lines/pruning_reference.h"
#include "lines/pruning_sweep.h"
#include "support/log_sink.h"

using namespace kestrano;

namespace {

using Ids = std::vector<std::uint32_t>;

StraightLine makeLine(double x1, double y1, double x2, double y2, double length, double angle,
                      std::uint32_t label)
{
    StraightLine line((x1 + x2) * 0.5, (y1 + y2) * 0.5, length, angle);
    line.setX1(x1);
    line.setY1(y1);
    line.setX2(x2);
    line.setY2(y2);
    line.setLabel(label);
    return line;
}

Ids labelsOf(const LineList& lines)
{
    Ids out;
    for (const StraightLine& line : lines)
        out.push_back(line.label());
    return out;
}

// The sweep as written with indices into a deque, erasing in place.
LineList indexSweep(LineList lines,
                    const std::function<bool(const StraightLine&, const StraightLine&)>& prunes,
                    int& lastCases)
{
    for (std::int32_t i = 0; i < std::int32_t(lines.size()); ++i) {
        const StraightLine a = lines.at(i);
        for (std::int32_t j = i + 1; j < std::int32_t(lines.size()); ++j) {
            if (!prunes(a, lines.at(j)))
                continue;
            if (lines.at(j).length() > a.length()) {
                lines.erase(lines.begin() + i);
                if (j < std::int32_t(lines.size())) {
                    --i;
                    j = std::int32_t(lines.size());
                } else {
                    ++lastCases;
                }
            } else {
                lines.erase(lines.begin() + j--);
            }
        }
    }
    return lines;
}

}  // namespace

TEST(PruningSweep, LinkedSweepMatchesIndexSweepOnAnyThreadCount)
{
    std::mt19937 rng(777);
    int lastCases = 0;
    for (int trial = 0; trial < 3030; ++trial) {
        // Short lists, and long ones where A outlives the pairs decided one
        // at a time and the rest are worked out ahead on several threads.
        const bool longList = trial >= 3000;
        const int n = longList ? std::uniform_int_distribution<int>(65, 260)(rng)
                               : std::uniform_int_distribution<int>(0, 24)(rng);
        LineList lines;
        for (int k = 0; k < n; ++k)  // lengths 1..4: many ties
            lines.push_back(makeLine(0, 0, 1, 1, std::uniform_int_distribution<int>(1, 4)(rng), 0.0, k));
        // A fixed random relation, sparse or dense; the pairs asked are recorded.
        const double density = longList ? std::uniform_real_distribution<double>(0.0005, 0.02)(rng)
                                        : std::uniform_real_distribution<double>(0.05, 0.9)(rng);
        std::bernoulli_distribution related(density);
        std::vector<char> relation(std::size_t(n * n));
        for (char& r : relation)
            r = related(rng);
        const auto prunes = [&](const StraightLine& a, const StraightLine& b) {
            return relation[a.label() * n + b.label()] != 0;
        };
        Ids askedIndex;
        const Ids expected = labelsOf(indexSweep(
            lines,
            [&](const StraightLine& a, const StraightLine& b) {
                askedIndex.push_back(a.label() * 1000 + b.label());
                return prunes(a, b);
            },
            lastCases));
        for (int threads : {1, 2, 7}) {
            Ids asked;
            const LineList fast = pruneSweep(
                lines, prunes,
                [&](const StraightLine& a, const StraightLine& b) { asked.push_back(a.label() * 1000 + b.label()); },
                threads);
            ASSERT_EQ(labelsOf(fast), expected) << "trial " << trial << ", " << threads << " threads";
            ASSERT_EQ(asked, askedIndex) << "trial " << trial << ", " << threads << " threads";
            if (!longList)
                break;
        }
    }
    EXPECT_GT(lastCases, 100);  // A removed while B was the last element
}

TEST(OptimizePasses, BackgroundMapAndPathsMatchTheLiteralTests)
{
    // Random labels and background with 65535 spikes on small images (frame
    // rows and columns are hit often); paths of every length and direction,
    // ends outside the image included, and whole-number ends (rows, columns
    // and diagonals whose steps land on whole numbers), on every instruction
    // set this machine runs.
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        std::mt19937 rng(4242);
        auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
        for (int trial = 0; trial < 40; ++trial) {
            const int w = 3 + int(rng() % 40), h = 3 + int(rng() % 30);
            LabelImage img(w, h);
            const unsigned density = rng() % 6;
            for (auto& p : img.pixels) {
                const unsigned pick = rng() % 16;
                p = pick < density ? 256 + pick : pick == 15 ? 65535 : std::uint16_t(rng() % 256);
            }
            const BackgroundMap map(img.data(), img.size, 1 + trial % 4);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(map.at(x, y), reference::isBackgroundPixel(img.data(), img.size, x, y))
                        << w << "x" << h << " at " << x << ", " << y;
            for (int k = 0; k < 300; ++k) {
                double ax = uniform(-3, w + 3), ay = uniform(-3, h + 3);
                double bx = k % 5 ? uniform(-3, w + 3) : ax, by = uniform(-3, h + 3);
                if (k % 3 == 0) {
                    ax = std::floor(ax), ay = std::floor(ay), bx = std::floor(bx);
                    by = k % 2 ? ay : std::floor(by);
                    if (k % 7 == 0)
                        by = ay + (bx - ax);
                }
                const int minCount = int(rng() % 25) - 2;
                ASSERT_EQ(backgroundBetween(map, img.size, ax, ay, bx, by, minCount),
                          reference::backgroundBetween(img.data(), img.size, ax, ay, bx, by, minCount))
                    << ax << ", " << ay << " to " << bx << ", " << by << ", " << minCount;
            }
        }
    }
    hwy::SetSupportedTargetsForTest(0);
}

TEST(OptimizePasses, CountsAndAngleLimitsAtTheirEdges)
{
    // Line 1 from (2, 3) to (30, 3), line 2 from (2, 3 + d) to (30, 3 + d):
    // both vertical paths cross `background` background rows (5 onwards).
    const auto band = [](int background) {
        LabelImage img(40, 48, 256);
        img.fill(0, 4, 39, 5 + background, 0);
        return img;
    };
    const double step = 6.2831853072 / 128;
    struct Case {
        int pass, background, d;
        double angle2;
        Ids kept;
    };
    const Case cases[] = {
        // Equal signs in pass 1: apart only with more than 20 background samples.
        {1, 20, 30, 0.0, {1}}, {1, 21, 30, 0.0, {1, 2}},
        // Opposite signs in pass 1, and pass 0: more than 5.
        {1, 5, 12, 3.1, {1}}, {1, 6, 12, 3.1, {1, 2}}, {0, 5, 12, 0.0, {1}}, {0, 6, 12, 0.0, {1, 2}},
        {0, 0, 12, 3.1, {1, 2}},  // pass 0 compares equal signs only
        // Pass 1 compares directions within one step of each other, or of pi apart.
        {1, 0, 12, step, {1}}, {1, 0, 12, std::nextafter(step, 1.0), {1, 2}},
        {1, 0, 12, 3.1415926536 - step, {1}}, {1, 0, 12, std::nextafter(3.1415926536 - step, 0.0), {1, 2}},
    };
    LogSink out;  // pass 1 prints the sign product of every pair of alike directions
    for (const Case& c : cases) {
        const LabelImage img = band(c.background);
        const BackgroundMap map(img.data(), img.size);
        const LineList pair{makeLine(2, 3, 30, 3, 28, 0.0, 1), makeLine(2, 3 + c.d, 30, 3 + c.d, 20, c.angle2, 2)};
        const LineList kept = c.pass == 0 ? optimizePass0(map, img.size, pair)
                                          : optimizePass1(map, img.size, pair, step, out);
        EXPECT_EQ(labelsOf(kept), c.kept) << "pass " << c.pass << ", " << c.background << " background, angle "
                                          << c.angle2;
    }
    EXPECT_EQ(out.text(), "signo: 1\nsigno: 1\nsigno: -1\nsigno: -1\nsigno: 1\nsigno: -1\n");
}

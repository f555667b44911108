// What the guided ray walk knows of a region, checked against brute force:
// clearances (exact on the label, a lower bound close to the truth
// elsewhere), the distance to the box, where a ray has passed the label, and
// how far a given clearance lets the walk jump.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "label_image.h"
#include "lines/guided_ray_walk.h"
#include "lines/label_extents.h"
#include "lines/region_map.h"

using namespace kestrano;

namespace {

// Scattered pixels and blobs of labels 256..258, some far apart so that
// clearances pass the 255 cap on the larger images.
LabelImage randomLabels(std::mt19937& rng, int w, int h)
{
    LabelImage img(w, h);
    const int blobs = 1 + int(rng() % 6);
    for (int b = 0; b < blobs; ++b) {
        const int x = int(rng() % w), y = int(rng() % h);
        img.fill(x, y, std::min(w - 1, x + int(rng() % 4)), std::min(h - 1, y + int(rng() % 3)),
                 std::uint16_t(256 + b % 3));
    }
    for (int k = int(rng() % 8); k > 0; --k)
        img.at(int(rng() % w), int(rng() % h)) = std::uint16_t(256 + rng() % 3);
    return img;
}

}  // namespace

TEST(RegionMap, ClearanceBoxAndPassedLabelMatchBruteForce)
{
    std::mt19937 rng(31);
    for (int trial = 0; trial < 60; ++trial) {
        const int w = trial < 50 ? 1 + int(rng() % 23) : 300 + int(rng() % 40);
        const int h = trial < 50 ? 1 + int(rng() % 19) : 1 + int(rng() % 12);
        LabelImage img = randomLabels(rng, w, h);
        if (trial >= 50) {  // two pixels further apart than the cap
            img.at(0, 0) = 256;
            img.at(w - 1, h - 1) = 256;
        }
        const std::vector<std::uint32_t> labels{256, 257, 258};
        const LabelExtents extents(img.data(), img.size, labels);
        for (const std::uint32_t label : labels) {
            const RegionMap map(img.data(), img.size, label, extents.of(label));
            int left = w, right = -1, top = h, bottom = -1;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (img.at(x, y) == label)
                        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                        bottom = std::max(bottom, y);
            for (int py = -3; py < h + 3; ++py) {
                for (int px = -3; px < w + 3; ++px) {
                    long nearest = 1L << 30;
                    bool aheadRight = false, aheadLeft = false;
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x)
                            if (img.at(x, y) == label) {
                                nearest = std::min<long>(nearest, std::max(std::abs(x - px), std::abs(y - py)));
                                aheadRight |= y >= py && x >= px;
                                aheadLeft |= y >= py && x <= px;
                            }
                    const bool inBox = px >= left && px <= right && py >= top && py <= bottom;
                    const auto where = ::testing::Message() << "trial " << trial << " label " << label
                                                            << " at " << px << ", " << py;
                    const long probe = map.probe(px, py);
                    if (inBox) {
                        ASSERT_LE(probe, nearest) << where;
                        ASSERT_GE(probe, std::max(nearest - 14, nearest == 0 ? 0L : 1L)) << where;
                    } else {
                        ASSERT_EQ(probe, -1) << where;
                    }
                    ASSERT_EQ(map.holds(px, py), nearest == 0) << where;
                    if (!inBox && right >= 0) {
                        ASSERT_EQ(map.clearanceOutside(px, py),
                                  std::max({left - px, px - right, top - py, py - bottom})) << where;
                    }
                    ASSERT_EQ(map.passedLabel(px, py, true), !aheadRight) << where;
                    ASSERT_EQ(map.passedLabel(px, py, false), !aheadLeft) << where;
                }
            }
        }
    }
    // Block distances saturate at 255 blocks: still a lower bound, 2033 pixels.
    LabelImage wide(4200, 2);
    wide.at(0, 0) = 256;
    wide.at(4199, 1) = 256;
    const LabelExtents wideExtents(wide.data(), wide.size, {256});
    const RegionMap wideMap(wide.data(), wide.size, 256, wideExtents.of(256));
    for (int x = 0; x < 4200; ++x)
        ASSERT_LE(wideMap.probe(x, 0), std::min(x, std::max(4199 - x, 1))) << x;
    EXPECT_EQ(wideMap.probe(2100, 1), 8 * 254 + 1);
    EXPECT_EQ(wideMap.probe(1040, 0), 8 * 129 + 1);
    // A label with no pixel: nothing to reach from anywhere.
    const LabelImage empty(5, 4);
    const LabelExtents none(empty.data(), empty.size, {256});
    const RegionMap map(empty.data(), empty.size, 256, none.of(256));
    EXPECT_EQ(map.probe(0, 0), -1);
    EXPECT_GE(map.clearanceOutside(2, 2), 1 << 20);
    EXPECT_TRUE(map.passedLabel(0, 0, true));
}

TEST(RegionMap, JumpsStopShortOfTheClearance)
{
    // Along a row a sample moves one pixel per step: from clearance D the
    // walk may skip D - 2 samples. On the diagonal a step moves 1/sqrt(2).
    struct Case {
        double angle;
        std::int64_t clearance, jump;
    };
    const double diagonal = std::atan(1.0);
    const Case cases[] = {{0.0, 0, 1},        {0.0, 1, 1},         {0.0, 2, 1},        {0.0, 3, 2},
                          {0.0, 10, 9},       {0.0, 255, 254},     {0.0, 256, 255},    {0.0, 1000, 999},
                          {diagonal, 2, 2},   {diagonal, 3, 3},    {diagonal, 10, 13}, {diagonal, 255, 360},
                          {diagonal, 256, 361}, {2.0, 3, 3},       {3.0, 3, 3}};
    for (const Case& c : cases) {
        const guided_walk::Direction dir(c.angle, std::cos(c.angle), std::sin(c.angle), 4);
        EXPECT_EQ(dir.jump(c.clearance), c.jump) << "angle " << c.angle << " clearance " << c.clearance;
    }
    // The promise behind every jump: no skipped sample comes within reach.
    for (double angle = 0.0; angle < 6.3; angle += 0.05) {
        const double c = std::cos(angle), s = std::sin(angle);
        const guided_walk::Direction dir(angle, c, s, 4);
        for (std::int64_t clearance = 0; clearance < 300; ++clearance)
            for (std::int64_t m = 1; m < dir.jump(clearance); ++m)
                ASSERT_LT(std::max(std::floor(std::fabs(m * c)), std::floor(std::fabs(m * s))) + 1.0,
                          double(clearance))
                    << "angle " << angle << " clearance " << clearance << " skip " << m;
    }
}

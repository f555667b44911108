#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "label_image.h"
#include "lines/guided_ray_walk.h"
#include "lines/label_extents.h"
#include "lines/region_map.h"
#include "lines/trace_line_reference.h"

using namespace kestrano;

namespace {

bool isPlaceholder(const StraightLine& l)
{
    return l.valid() && l.centerX() == 1.0 && l.centerY() == 1.0 && l.length() == 1.0 &&
           l.angle() == 1.0;
}

}  // namespace

TEST(TraceLine, BarOfTenAtAngleZero)
{
    LabelImage img(20, 5);
    img.fill(3, 2, 12, 2, 256);
    const StraightLine line = traceLine(img.data(), img.size, 3, 2, 0.0, 5, 256);
    EXPECT_EQ(geometry(line), (Geometry{256, 0, 3, 2, 13, 2, 10, 8, 2}));
    // count 11 is not greater than 11; pixels of another label do not count.
    img.fill(14, 2, 19, 2, 257);
    EXPECT_TRUE(isPlaceholder(traceLine(img.data(), img.size, 3, 2, 0.0, 11, 256)));
}

TEST(TraceLine, CountCarriesOverGapsAndSkipsOneSample)
{
    // Samples 0..2 and 5..9 hold the label, 3 and 10 do not; sample 4 is
    // never taken, whatever it holds.
    LabelImage img(20, 4);
    img.fill(2, 1, 4, 1, 256);
    img.fill(7, 1, 11, 1, 256);
    for (std::uint16_t sample4 : {0, 256}) {
        img.at(6, 1) = sample4;
        EXPECT_EQ(geometry(traceLine(img.data(), img.size, 2, 1, 0.0, 5, 256)),
                  (Geometry{256, 0, 7, 1, 12, 1, 5, 9.5, 1}));
    }
}

TEST(TraceLine, ImageBorders)
{
    // From column 0 at an angle in (pi/2, pi), P(1) lies left of the image.
    LabelImage img(10, 8);
    img.fill(0, 3, 3, 6, 256);
    const StraightLine left = traceLine(img.data(), img.size, 0, 3, 2.2, 1, 256);
    EXPECT_EQ(left.x1(), 0.0);
    EXPECT_EQ(left.x2(), std::cos(2.2));
    EXPECT_EQ(left.length(), 1.0);
    EXPECT_TRUE(isPlaceholder(traceLine(img.data(), img.size, 0, 3, 2.2, 2, 256)));
    // Right border: reading on into the next row (all label) would extend the run.
    img.fill(6, 1, 9, 1, 256);
    img.fill(0, 2, 9, 2, 256);
    const StraightLine right = traceLine(img.data(), img.size, 6, 1, 0.0, 3, 256);
    EXPECT_EQ(right.x2(), 10.0);
    EXPECT_EQ(right.length(), 4.0);
}

TEST(GuidedWalk, SameSegmentsAsTheLiteralWalkOnShortDashes)
{
    // Rows and columns of dashes 1..3 long with gaps of 1..4: every jump the
    // clearance allows lands near a dash, so a jump one step too long skips
    // one. Seeds on every pixel of the label, 32 directions. Dashes one
    // pixel apart chain into segments around lMinLine samples long.
    std::mt19937 rng(5);
    int traced = 0, candidates = 0;
    for (int trial = 0; trial < 12; ++trial) {
        const int w = 24 + trial * 3, h = 18 + trial;
        LabelImage img(w, h);
        for (int y = 1 + trial % 3; y < h; y += 2 + trial % 3)
            for (int x = int(rng() % 3); x < w; x += 2 + int(rng() % 6))
                img.fill(x, y, std::min(w - 1, x + int(rng() % 3)), y, 256);
        for (int x = trial % 4; x < w; x += 5 + trial % 4)
            for (int y = int(rng() % 4); y < h; y += 3 + int(rng() % 5))
                img.fill(x, y, x, std::min(h - 1, y + int(rng() % 2)), 256);
        const LabelExtents extents(img.data(), img.size, {256});
        const RegionMap map(img.data(), img.size, 256, extents.of(256));
        const std::int32_t lMinLine = 1 + trial % 6;
        for (int k = 0; k < 32; ++k) {
            const double angle = k * 6.2831853072 / 32;
            const guided_walk::Direction dir(angle, std::cos(angle), std::sin(angle), 2 * (w + h));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    if (img.at(x, y) != 256)
                        continue;
                    const StraightLine literal = traceLine(img.data(), img.size, x, y, angle, lMinLine, 256);
                    const StraightLine guided = walkGuided(map, img.size, x, y, dir, lMinLine, 256);
                    const auto where = ::testing::Message()
                                       << "trial " << trial << " seed " << x << ", " << y << " direction " << k;
                    ASSERT_EQ(geometry(guided), geometry(literal)) << where;
                    traced += !isPlaceholder(literal);
                    // Asked for candidates only, the walk may give up early,
                    // but never on a line longer than lMinLine.
                    const StraightLine candidate =
                        walkGuided(map, img.size, x, y, dir, lMinLine, 256, WalkAnswer::kCandidate);
                    const bool kept = literal.valid() && literal.length() > lMinLine;
                    ASSERT_EQ(candidate.valid() && candidate.length() > lMinLine, kept) << where;
                    if (kept) {
                        ASSERT_EQ(geometry(candidate), geometry(literal)) << where;
                    }
                    candidates += kept;
                }
        }
    }
    EXPECT_GT(traced, 5000);
    EXPECT_GT(candidates, 1000);
}

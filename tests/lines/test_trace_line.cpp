#include <gtest/gtest.h>

#include <cmath>

#include "label_image.h"
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

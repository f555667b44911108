#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/angles.h"
#include "line_fixtures.h"
#include "output/paint_lines.h"
#include "output/segment_summary.h"
#include "output/segment_table.h"
#include "support/log_sink.h"

using namespace kestrano;

namespace {

SegmentRow rowWith(double angleDeg, double length, bool border = false)
{
    SegmentRow row;
    row.angleDeg = angleDeg;
    row.length = length;
    row.touchesBorder = border;
    return row;
}

}  // namespace

TEST(SegmentTable, EndPointsAreTheFirstAndLastPaintedPixels)
{
    StraightLine line = segment(10.9, 5.2, 0.0, 3.0);
    line.setLabel(300);
    const std::vector<SegmentRow> rows = segmentRows(LineGroups{{0, {line}}}, 20, 30, PixelScale{});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].segment, 1);
    EXPECT_EQ(rows[0].label, 300u);
    EXPECT_EQ((std::vector<int>{rows[0].x1, rows[0].y1, rows[0].x2, rows[0].y2}),
              (std::vector<int>{10, 5, 12, 5}));
    EXPECT_EQ(rows[0].lengthPx, 3.0);
    EXPECT_EQ(rows[0].length, 3.0);  // no scale: pixels

    // Whatever the direction, both end points are pixels the painter sets.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> where(40.0, 80.0), angle(0.0, 3.14159), length(1.0, 35.0);
    for (int i = 0; i < 300; ++i) {
        const double x = where(random), y = where(random), a = angle(random);
        const StraightLine l = segment(x, y, a, length(random));
        const SegmentRow row = segmentRows(LineGroups{{0, {l}}}, 120, 120, PixelScale{})[0];
        std::vector<std::uint16_t> canvas(120 * 120, 0);
        canvas[0] = 1000;  // brightest value: lines are painted at 850
        paintLines(canvas.data(), ImageSize{120, 120}, LineGroups{{0, {l}}}, 'c', quietLog());
        EXPECT_EQ(canvas[row.y1 * 120 + row.x1], 850) << i;
        EXPECT_EQ(canvas[row.y2 * 120 + row.x2], 850) << i;
    }
}

TEST(SegmentTable, BorderMarginAndPhysicalLength)
{
    struct Case {
        double x, y, angle, length;
        bool border;
    };
    // Image of 20 rows and 30 columns: columns 0..2 and 27..29, rows 0..2 and 17..19 touch.
    const Case cases[] = {{3, 3, 0.0, 5, false}, {2, 8, 0.0, 5, true},   {8, 2, 0.0, 5, true},
                          {20, 8, 0.0, 8, true}, {20, 8, 0.0, 7, false}, {8, 10, kPi / 2, 8, true}};
    for (const Case& c : cases)
        EXPECT_EQ(segmentRows(LineGroups{{0, {segment(c.x, c.y, c.angle, c.length)}}}, 20, 30, PixelScale{})[0]
                      .touchesBorder,
                  c.border)
            << c.x << "," << c.y << " length " << c.length;

    // Non-square pixels: a row-wise segment takes the pixel width, a column-wise one its height.
    const PixelScale scale{0.5, 2.0, "um", "test"};
    const auto lengthAt = [&](double angle) {
        return segmentRows(LineGroups{{0, {segment(5, 5, angle, 10)}}}, 50, 50, scale)[0].length;
    };
    EXPECT_DOUBLE_EQ(lengthAt(0.0), 5.0);
    EXPECT_NEAR(lengthAt(kPi / 2), 20.0, 1e-9);
    EXPECT_NEAR(lengthAt(kPi / 4), 10.0 * std::sqrt(0.25 * 0.5 + 4.0 * 0.5), 1e-9);
}

TEST(SegmentSummary, LengthsAndAxialAngles)
{
    const SegmentSummary none = summarise({});
    EXPECT_EQ(none.segments, 0);
    EXPECT_EQ(none.meanLength, 0.0);

    const SegmentSummary s =
        summarise({rowWith(10, 1), rowWith(20, 10, true), rowWith(10, 3), rowWith(20, 2)});
    EXPECT_EQ(s.segments, 4);
    EXPECT_DOUBLE_EQ(s.totalLength, 16.0);
    EXPECT_DOUBLE_EQ(s.meanLength, 4.0);
    EXPECT_DOUBLE_EQ(s.medianLength, 2.5);
    EXPECT_NEAR(s.meanAngleDeg, 15.0, 1e-9);
    EXPECT_NEAR(s.alignment, std::cos(10.0 * M_PI / 180.0), 1e-12);
    EXPECT_EQ(s.borderSegments, 1);

    // 170 and 10 degrees are 20 degrees apart as lines: their mean is 0, not 90.
    const SegmentSummary wrap = summarise({rowWith(170, 1), rowWith(10, 1), rowWith(0, 5)});
    EXPECT_NEAR(std::fmod(wrap.meanAngleDeg + 90.0, 180.0) - 90.0, 0.0, 1e-9);
    EXPECT_DOUBLE_EQ(wrap.medianLength, 1.0);
    for (int tenths = 1; tenths < 450; ++tenths) {  // mirrored pairs about 0: a hair off 0 or 180, never 180 itself
        const double degrees = tenths / 10.0;
        const double mean = summarise({rowWith(degrees, 1), rowWith(180 - degrees, 1)}).meanAngleDeg;
        ASSERT_TRUE(mean >= 0.0 && mean < 180.0 && (mean < 1e-9 || mean > 180.0 - 1e-9)) << degrees << ": " << mean;
    }
    // Perpendicular lines cancel: no preferred direction.
    EXPECT_NEAR(summarise({rowWith(0, 1), rowWith(90, 1)}).alignment, 0.0, 1e-12);
}

// The length histogram and the angle rose: their bins, and their files.
#include <gtest/gtest.h>

#include <cmath>

#include "render/angle_colour.h"
#include "render/angle_rose.h"
#include "render/length_histogram.h"
#include "render/plot_files.h"

using namespace kestrano;

TEST(PlotBins, LengthsFallIntoNiceBinsFromZero)
{
    struct Case {
        std::vector<double> lengths;
        double width;
        std::vector<int> counts;
    };
    const Case cases[] = {
        {{}, 1.0, {}},
        {{0.0, 0.0}, 1.0, {2}},
        {{41, 42, 55, 99, 100}, 20.0, {0, 0, 3, 0, 1, 1}},  // 100 / 5 bins -> 20; 100 opens the sixth
        {{12.5, 3.25, 7.0, 0.4, 9.9, 1.0}, 5.0, {3, 2, 1}},  // 12.5 / 5 -> 2.5, rounded up to 5
    };
    for (const Case& c : cases) {
        const LengthBins bins = lengthBins(c.lengths);
        EXPECT_EQ(bins.counts, c.counts) << c.lengths.size();
        if (!c.counts.empty())
            EXPECT_DOUBLE_EQ(bins.width, c.width);
    }
}

TEST(PlotBins, RoseSectorsAreAxial)
{
    const std::array<int, kRoseSectors> counts = roseCounts({0.0, 9.99, 10.0, 180.0, 190.5, -5.0, 179.9, 90.0});
    EXPECT_EQ(counts[0], 3);   // 0, 9.99, 180
    EXPECT_EQ(counts[1], 2);   // 10, 190.5
    EXPECT_EQ(counts[9], 1);   // 90
    EXPECT_EQ(counts[17], 2);  // -5 -> 175, 179.9
}

// Whether the files are valid SVG shows in the report, which renders them.
TEST(PlotFiles, SvgHasLabelledAxesAndThePictureEncodes)
{
    SegmentRow row;
    row.length = 3.5;
    row.angleDeg = 30.0;
    const std::vector<SegmentRow> rows(12, row);
    const QByteArray lengths = plotSvg(lengthHistogramOf(rows, "um"), "Lengths");
    const QByteArray angles = plotSvg(angleRoseOf(rows), "Angles");
    EXPECT_TRUE(lengths.contains("Length (um)"));
    EXPECT_TRUE(lengths.contains("Segments"));
    EXPECT_TRUE(angles.contains("135"));
    EXPECT_TRUE(angles.contains("n = 12"));
    EXPECT_FALSE(pngBytes(plotImage(angleRoseOf(rows))).isEmpty());
}

namespace {

// The bounding box of the pixels inside `within` that `keep` accepts.
template <class Keep>
QRect inkBox(const QImage& image, Keep keep, const QRect& within)
{
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (keep(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool coloured(const QColor& c) { return c.hsvSaturation() > 100; }
bool dark(const QColor& c) { return c.value() < 128; }

}  // namespace

// Layout is checked on the ink, not on stored pictures: those depend on the machine's fonts.
TEST(PlotLayout, RoseFillsItsAreaWithTheAngleLabelsInTheMargin)
{
    std::vector<SegmentRow> rows(2);
    rows[0].angleDeg = 5.0;
    rows[1].angleDeg = -5.0;  // sector 17, as 175
    const PlotColours redGrid{Qt::white, Qt::black, Qt::red};
    // Wide: the height decides the radius. Sectors 0 and 17 reach the outer ring.
    const QImage wide = plotImage(angleRoseOf(rows, redGrid), kPlotSize, 2.0);
    const QRect circle = inkBox(wide, coloured, wide.rect());
    EXPECT_NEAR(circle.width(), circle.height(), 2);
    EXPECT_GT(circle.height(), 0.7 * wide.height());
    EXPECT_TRUE(wide.rect().adjusted(1, 1, -1, -1).contains(circle));
    // Each sector in the colour of its angle, which is axial.
    for (double angle : {5.0, 175.0, 185.0, -5.0}) {
        const double radians = angle * M_PI / 180.0, r = 0.3 * circle.width();
        const QPoint at = circle.center() + QPointF(r * std::cos(radians), r * std::sin(radians)).toPoint();
        EXPECT_EQ(wide.pixel(at), angleColour(angle).rgb()) << angle;
    }
    // Tall: the width decides. The 0 degree label sits in the margin, a little nearer the edge.
    const QImage tall = plotImage(angleRoseOf(rows, redGrid), QSize(480, 800), 2.0);
    const QRect disc = inkBox(tall, coloured, tall.rect());
    const QRect right = inkBox(tall, dark, QRect(disc.right() + 1, disc.center().y() - 40, 200, 80) & tall.rect());
    EXPECT_GE(right.left() - disc.right(), tall.width() - 1 - right.right());
    EXPECT_GT(tall.width() - 1 - right.right(), 0);
}

TEST(PlotLayout, LastLengthBarEndsUnderItsTickLabelClearOfTheEdge)
{
    SegmentRow row;
    row.length = 10.0;  // bins of 2 up to 12: the one bar ends on the last tick
    const QImage plot = plotImage(lengthHistogramOf({row}, "um"), kPlotSize, 2.0);
    const QRect bar = inkBox(plot, coloured, plot.rect());
    const QRect label = inkBox(plot, dark, QRect(bar.right() - 40, bar.bottom() + 4, 100, 40) & plot.rect());
    EXPECT_NEAR(label.center().x(), bar.right(), 3);
    // The right margin holds half the label and 6 pixels; with the digits' side
    // bearing about 14 at this scale.
    EXPECT_NEAR(plot.width() - 1 - label.right(), 14, 3);
}

// The length histogram and the angle rose: their bins, and their files.
#include <gtest/gtest.h>

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
TEST(PlotFiles, SvgHasLabelledAxesAndThePictureItsScale)
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

    const QImage picture = plotImage(angleRoseOf(rows), kPlotSize, 2.0);
    EXPECT_EQ(picture.size(), kPlotSize * 2);
    EXPECT_FALSE(pngBytes(picture).isEmpty());
}

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <utility>
#include <vector>

#include "line_fixtures.h"
#include "core/angles.h"
#include "output/data_files.h"
#include "output/histograms.h"
#include "support/temp_folder.h"
#include "support/thrown_message.h"

using namespace kestrano;

namespace {

// One group of segments with the given lengths, or angles in degrees.
LineGroups lines(std::vector<double> values, bool angles = false)
{
    LineList list;
    for (const double v : values)
        list.push_back(angles ? segment(1, 1, v * 3.1415926536 / 180.0, 1) : segment(1, 1, 0, v));
    return {{0, list}};
}

}  // namespace

TEST(Histograms, ScaledOrOnePixelBinsForLengthsAndAngles)
{
    const LineGroups four = lines({3.2, 7.9, 15.0, 40.6});
    LineGroups angles = lines({0.0, 18.5, 179.9}, true);
    angles[0].push_back(segment(1, 1, std::acos(-1.0) / 10, 1));  // just below 18 degrees
    // Angles of exactly 60 and 179 degrees: up to 180 bins an edge belongs to
    // the bin below it, above 180 each degree starts its own bin.
    LineGroups edges;
    for (const double degrees : {60.0, 179.0}) {
        double a = degrees * 3.1415926536 / 180.0;
        while (toDegrees(a) < degrees)
            a = std::nextafter(a, 10.0);
        while (toDegrees(a) > degrees)
            a = std::nextafter(a, 0.0);
        ASSERT_EQ(toDegrees(a), degrees);
        edges[0].push_back(segment(1, 1, a, 1));
    }
    struct Case {
        Histogram h;
        int bins, width;
        std::vector<std::pair<int, int>> hits;  // (bin, count) of the non-empty bins
    };
    const Case cases[] = {
        {lengthHistogram(four, 10), 10, 4, {{1, 1}, {3, 1}, {10, 1}}},  // maxL 40: 3.2 is left out
        {lengthHistogram(four, 50), 50, 1, {{3, 1}, {7, 1}, {15, 1}, {40, 1}}},
        {angleHistogram(angles, 10), 10, 18, {{0, 2}, {1, 1}, {9, 1}}},
        {angleHistogram(angles, 360), 360, 1, {{0, 1}, {17, 1}, {18, 1}, {179, 1}}},
        {lengthHistogram(LineGroups{}, 4), 4, 1, {}},
        {angleHistogram(edges, 180), 180, 1, {{59, 1}, {178, 1}}},
        {angleHistogram(edges, 90), 90, 2, {{29, 1}, {89, 1}}},
    };
    for (const Case& c : cases) {
        std::vector<std::int32_t> edges, counts(std::size_t(c.bins) + 1, 0);
        for (int i = 0; i <= c.bins; ++i)
            edges.push_back(i * c.width);
        for (const auto& [bin, count] : c.hits)
            counts[std::size_t(bin)] = count;
        EXPECT_EQ(c.h.binValues, edges) << c.bins << " bins";
        EXPECT_EQ(c.h.binCounts, counts) << c.bins << " bins";
    }
    // Upper edges that round down: floor(11 * 15 / 11) and floor(39 * 180 / 39).
    const Histogram rounded = lengthHistogram(lines({15.0}), 11);
    EXPECT_EQ(rounded.binValues.back(), 14);
    EXPECT_EQ(rounded.binCounts.back(), 1);
    EXPECT_EQ(angleHistogram(LineGroups{}, 39).binValues.back(), 179);
    std::vector<std::int32_t> counts181(182, 0);
    counts181[60] = counts181[179] = 1;
    EXPECT_EQ(angleHistogram(edges, 181).binCounts, counts181);

    TempFolder dir;
    std::ofstream(dir / "histoLen.dat") << std::string(500, 'x');
    writeHistogram(cases[0].h, dir / "histoLen.dat");
    EXPECT_EQ(readBytes(dir / "histoLen.dat"),
              "11\n0\t0\n4\t1\n8\t0\n12\t1\n16\t0\n20\t0\n24\t0\n28\t0\n32\t0\n36\t0\n40\t1\n");
    writeHistogram(cases[0].h, dir / "data/histoLen.dat");
    EXPECT_FALSE(std::filesystem::exists(dir / "data/histoLen.dat"));
}

TEST(Histograms, ValuesOutsideTheBinsAreRefused)
{
    EXPECT_EQ(thrownMessage<std::invalid_argument>([] { lengthHistogram(lines({5.0}), 0); }),
              "nBins must be at least 1 (got 0)");
    EXPECT_THROW(lengthHistogram(lines({40.0, -0.5}), 10), std::out_of_range);
    EXPECT_THROW(angleHistogram(lines({182.5}, true), 181), std::out_of_range);
    EXPECT_EQ(thrownMessage<std::out_of_range>([] { angleHistogram(lines({200.0}, true), 10); }),
              "line angle (degrees) 200 falls outside the histogram bins (0..10)");
}

TEST(DataFiles, TotalThenOneValuePerLineGroupByGroup)
{
    const LineGroups lines = {
        {0, {segment(1, 1, std::acos(-1.0) / 4, 2.5), segment(1, 1, 3.1415926536, 100.0)}},
        {1, {segment(1, 1, 0.0, 7.25)}}};
    TempFolder dir;
    std::ofstream(dir / "dataLen.dat") << "9\n1\n2\n3\n4\n5\n6\n7\n8\n9\n";
    writeLengthData(lines, dir / "dataLen.dat");
    writeAngleData(lines, dir / "dataAng.dat");
    writeAngleData(LineGroups{{0, {}}, {1, {}}}, dir / "none.dat");
    EXPECT_EQ(readBytes(dir / "dataLen.dat"), "3\n2.5\n100\n7.25\n");  // replaced, not appended
    EXPECT_EQ(readBytes(dir / "dataAng.dat"), "3\n45\n180\n0\n");
    EXPECT_EQ(readBytes(dir / "none.dat"), "0\n");
    // A missing group fails before the earlier file is replaced.
    EXPECT_THROW(writeLengthData(LineGroups{{1, {}}}, dir / "dataLen.dat"), std::out_of_range);
    EXPECT_EQ(readBytes(dir / "dataLen.dat"), "3\n2.5\n100\n7.25\n");

    writeLengthData(lines, dir / "data/dataLen.dat");
    EXPECT_FALSE(std::filesystem::exists(dir / "data/dataLen.dat"));
}

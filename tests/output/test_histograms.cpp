#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <utility>
#include <vector>

#include "line_fixtures.h"
#include "output/histograms.h"

namespace {

using Ints = std::vector<std::int32_t>;

LineGroups lengths(std::vector<double> values)
{
    LineList list;
    for (const double v : values)
        list.push_back(segment(1, 1, 0, v));
    return groupsOf({list});
}

LineGroups anglesInDegrees(std::vector<double> values)
{
    LineList list;
    for (const double v : values)
        list.push_back(segment(1, 1, v * 3.1415926536 / 180.0, 1));
    return groupsOf({list});
}

Ints countsWith(std::size_t n, std::vector<std::pair<int, int>> hits)
{
    Ints counts(n, 0);
    for (const auto& [i, c] : hits)
        counts[static_cast<std::size_t>(i)] = c;
    return counts;
}

Ints steps(int n, int width)
{
    Ints v;
    for (int i = 0; i <= n; ++i)
        v.push_back(i * width);
    return v;
}

}  // namespace

TEST(Histograms, LengthsInScaledOrOnePixelBins)
{
    const LineGroups four = lengths({3.2, 7.9, 15.0, 40.6});
    const Histogram scaled = lengthHistogram(four, 10);  // maxL 40, w = 4: 3.2 is left out
    EXPECT_EQ(scaled.binValues, steps(10, 4));
    EXPECT_EQ(scaled.binCounts, countsWith(11, {{1, 1}, {3, 1}, {10, 1}}));
    const Histogram unit = lengthHistogram(four, 50);
    EXPECT_EQ(unit.binValues, steps(50, 1));
    EXPECT_EQ(unit.binCounts, countsWith(51, {{3, 1}, {7, 1}, {15, 1}, {40, 1}}));
    const Histogram rounded = lengthHistogram(lengths({15.0}), 11);
    EXPECT_EQ(rounded.binValues.back(), 14);
    EXPECT_EQ(rounded.binCounts.back(), 1);

    ScratchDir dir;
    {
        std::ofstream old(dir.file("histoLen.dat"));
        old << std::string(500, 'x');
    }
    writeHistogram(scaled, dir.file("histoLen.dat"));
    EXPECT_EQ(readFile(dir.file("histoLen.dat")),
              "11\n0\t0\n4\t1\n8\t0\n12\t1\n16\t0\n20\t0\n24\t0\n28\t0\n32\t0\n36\t0\n40\t1\n");
    writeHistogram(scaled, dir.file("data/histoLen.dat"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("data/histoLen.dat")));
}

TEST(Histograms, AnglesUpToTheUpperEdgeOrInOneDegreeBins)
{
    LineGroups lines = anglesInDegrees({0.0, 18.5, 179.9});
    lines[0].push_back(segment(1, 1, std::acos(-1.0) / 10, 1));  // 18 degrees
    const Histogram h = angleHistogram(lines, 10);               // w = 18
    EXPECT_EQ(h.binValues, steps(10, 18));
    EXPECT_EQ(h.binCounts, countsWith(11, {{0, 2}, {1, 1}, {9, 1}}));
    const Histogram fine = angleHistogram(lines, 360);
    EXPECT_EQ(fine.binValues, steps(360, 1));
    EXPECT_EQ(fine.binCounts, countsWith(361, {{0, 1}, {17, 1}, {18, 1}, {179, 1}}));
}

TEST(Histograms, NoLinesStillGiveTheEdges)
{
    EXPECT_EQ(lengthHistogram(LineGroups{}, 4).binValues, steps(4, 1));
    EXPECT_EQ(lengthHistogram(LineGroups{}, 4).binCounts, Ints(5, 0));
    EXPECT_EQ(angleHistogram(groupsOf({{}}), 10).binValues, steps(10, 18));
    EXPECT_EQ(angleHistogram(LineGroups{}, 39).binValues.back(), 179);
}

TEST(Histograms, ValuesOutsideTheBinsAreRefused)
{
    try {
        lengthHistogram(lengths({5.0}), 0);
        FAIL() << "expected std::invalid_argument";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "nBins must be at least 1 (got 0)");
    }
    EXPECT_THROW(angleHistogram(LineGroups{}, -3), std::invalid_argument);
    EXPECT_THROW(lengthHistogram(lengths({40.0, -0.5}), 10), std::out_of_range);
    EXPECT_THROW(angleHistogram(anglesInDegrees({-20.0}), 10), std::out_of_range);
    EXPECT_THROW(angleHistogram(anglesInDegrees({182.5}), 181), std::out_of_range);
    try {
        angleHistogram(anglesInDegrees({200.0}), 10);
        FAIL() << "expected std::out_of_range";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "line angle (degrees) 200 falls outside the histogram bins (0..10)");
    }
}

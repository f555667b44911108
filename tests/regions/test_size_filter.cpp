#include <gtest/gtest.h>

#include <vector>

#include "regions/size_filter.h"
#include "support/log_sink.h"

using namespace kestrano;

namespace {

// Regions labelled 256, 257, ...; region k of n pixels lists n times the
// pixel (k, n) of a 1000-pixel-wide image.
RegionTable tableWithCounts(const std::vector<std::int32_t>& counts)
{
    RegionTable t;
    t.count = static_cast<std::int32_t>(counts.size());
    t.rowLength = 1000;
    t.pixelCounts = t.interiorCounts = counts;
    t.borderCounts.assign(counts.size(), 0);
    for (std::int32_t k = 0; k < t.count; ++k) {
        const std::int32_t n = counts[static_cast<std::size_t>(k)];
        t.labels.push_back(256u + static_cast<std::uint32_t>(k));
        t.centroids.push_back(Point3{k, n / 2, 0});
        t.pixels.insert(t.pixels.end(), static_cast<std::size_t>(n), std::uint32_t(k * 1000 + n));
        t.firstPixel.push_back(t.pixels.size());
    }
    return t;
}

}  // namespace

TEST(SizeFilter, KeepsCountsStrictlyBetweenTheBounds)
{
    LogSink out;
    const RegionTable t = filterRegionsBySize(tableWithCounts({5, 50, 500}), 100, 10, out);
    ASSERT_EQ(t.count, 1);
    EXPECT_EQ(t.labels, std::vector<std::uint32_t>{257});
    EXPECT_EQ(t.centroids[0], (Point3{1, 25, 0}));
    EXPECT_EQ(t.points(0), std::vector<Point3>(50, Point3{1, 50, 0}));

    EXPECT_EQ(filterRegionsBySize(tableWithCounts({10, 11, 99, 100}), 100, 10, out).labels,
              (std::vector<std::uint32_t>{257, 258}));
    EXPECT_EQ(filterRegionsBySize(tableWithCounts({10, 11, 12}), 12, 11, out).count, 0);
    EXPECT_EQ(filterRegionsBySize(tableWithCounts({0}), 100, 0, out).count, 0);
    EXPECT_EQ(filterRegionsBySize(tableWithCounts({0}), 100, -1, out).count, 1);
    EXPECT_EQ(filterRegionsBySize(RegionTable{}, 100, -1, out).count, 0);
    EXPECT_EQ(out.text(), "N lista= 1\nN lista= 2\nN lista= 0\nN lista= 0\nN lista= 1\nN lista= 0\n");
}

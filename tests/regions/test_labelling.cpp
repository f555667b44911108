#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "regions/labelling.h"
#include "regions/size_filter.h"
#include "support/log_sink.h"
#include "support/thrown_message.h"

using namespace kestrano;

namespace {

using Image = std::vector<std::uint16_t>;
using Points = std::vector<Point3>;
using Ints = std::vector<std::int32_t>;

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

TEST(Labelling, BlockInSixBySixListsEntriesInWindowOrder)
{
    Image im(36, 0);
    for (int r = 1; r <= 3; ++r)
        std::fill_n(im.begin() + 6 * r + 1, 3, 255);
    Image expected = im;
    std::replace(expected.begin(), expected.end(), 255, 256);
    const RegionTable t = labelRegions(im.data(), ImageSize{6, 6}, 255, quietLog());
    ASSERT_EQ(t.count, 1);
    EXPECT_EQ((Ints{t.pixelCounts[0], t.borderCounts[0], t.interiorCounts[0]}), (Ints{8, 7, 1}));
    EXPECT_EQ(t.centroids[0], (Point3{2, 2, 0}));
    EXPECT_EQ(t.points(0), (Points{{1, 2, 0}, {2, 1, 0}, {2, 2, 0}, {1, 3, 0}, {2, 3, 0}, {3, 1, 0}, {3, 2, 0}, {3, 3, 0}}));
    EXPECT_EQ(t.borderIndices(0), (std::vector<std::uint32_t>{8, 13, 9, 15, 19, 20, 21}));  // all but (2, 2)
    EXPECT_EQ(im, expected);
}

TEST(Labelling, IsolatedPixelCornerTouchAndRasterNumbering)
{
    // (0, 4) alone; (1, 1), (2, 0) touch at a corner; 254 and 256 are not foreground.
    Image im = {0, 0, 0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 254, 0, 256, 0};
    const RegionTable t = labelRegions(im.data(), ImageSize{4, 5}, 255, quietLog());
    ASSERT_EQ(t.count, 2);
    EXPECT_EQ(t.labels, (std::vector<std::uint32_t>{256, 257}));
    EXPECT_EQ(t.pixelCounts, (Ints{0, 1}));
    EXPECT_EQ(t.centroids, (Points{{0, 0, 0}, {2, 0, 0}}));
    EXPECT_EQ(im, (Image{0, 0, 0, 0, 256, 0, 257, 0, 0, 0, 257, 0, 0, 0, 0, 0, 254, 0, 256, 0}));

    Image column = {255, 255, 0, 255};  // one pixel wide
    EXPECT_EQ(labelRegions(column.data(), ImageSize{4, 1}, 255, quietLog()).count, 2);
    EXPECT_EQ(column, (Image{256, 256, 0, 257}));
}

TEST(Labelling, LimitWindowStopsGrowthAndSplitsTheRest)
{
    // Seed (2, 4) enters (3, 3); scanning (3, 3) = (H-2, W-2) enters (4, 2) and
    // stops. (4, 0) and (4, 1), not reached, form region 257; (4, 1) sees the
    // finished 256 at (4, 2): 766 < 4 * 255, a border pixel.
    Image im(25, 0);
    for (int i : {14, 18, 22, 21, 20})  // (2, 4), (3, 3), (4, 2), (4, 1), (4, 0)
        im[i] = 255;
    LogSink out;
    const RegionTable t = labelRegions(im.data(), ImageSize{5, 5}, 255, out);
    EXPECT_EQ(out.text(), "entro lim\n");
    ASSERT_EQ(t.count, 2);
    EXPECT_EQ(t.points(0), (Points{{3, 3, 0}, {4, 2, 0}}));
    EXPECT_EQ(t.borderPoints(1), (Points{{4, 1, 0}}));
    EXPECT_EQ((Image{im[14], im[18], im[22], im[21], im[20]}), (Image{256, 256, 256, 257, 257}));

    // All foreground: one region of N - 1 interior entries, "entro lim" once.
    Image full(4 * 7, 255);
    const RegionTable all = labelRegions(full.data(), ImageSize{4, 7}, 255, out);
    EXPECT_EQ(out.text(), "entro lim\nentro lim\n");
    EXPECT_EQ(all.pixelCounts, Ints{27});
    EXPECT_EQ(all.interiorCounts, Ints{27});
    EXPECT_EQ(full, Image(4 * 7, 256));
}

TEST(Labelling, SixteenBitLabelsRunOutAfterTheLastOne)
{
    const int regions = 65535 - 255;
    Image im(static_cast<std::size_t>(2 * regions + 1), 0);  // every other pixel of one row
    for (int i = 0; i <= regions; ++i)
        im[static_cast<std::size_t>(2 * i)] = 255;
    Image fits = im;
    EXPECT_EQ(labelRegions(fits.data(), ImageSize{1, 2 * regions}, 255, quietLog()).labels.back(), 65535u);
    const Image before = im;
    EXPECT_EQ(thrownMessage<std::overflow_error>(
                  [&] { labelRegions(im.data(), ImageSize{1, 2 * regions + 1}, 255, quietLog()); }),
              "too many regions to label: more than 65280 separate regions "
              "(16-bit labels 256..65535); raise the threshold or smooth the image");
    EXPECT_EQ(im, before);
}

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

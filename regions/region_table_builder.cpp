#include "regions/region_growth.h"

namespace kestrano {

namespace {

// Integer mean with the sum kept in 32 bits (wrapping) and the quotient
// truncated toward zero.
std::int32_t truncatedMean(std::uint32_t wrappedSum, std::int32_t n)
{
    return static_cast<std::int32_t>(wrappedSum) / n;
}

}  // namespace

RegionTable buildRegionTable(std::uint16_t fg, const std::vector<PixelEntry>& list,
                             std::int32_t regionCount, const std::vector<std::int32_t>& ends)
{
    RegionTable table;
    const std::size_t n = regionCount > 0 ? static_cast<std::size_t>(regionCount) : 0;
    table.count = regionCount;
    table.labels.resize(n);
    table.pixelCounts.resize(n);
    table.borderCounts.resize(n);
    table.interiorCounts.resize(n);
    table.centroids.resize(n);
    table.points.resize(n);
    table.borderPoints.resize(n);
    table.pointIndices.resize(n);
    table.borderIndices.resize(n);

    std::size_t at = 0;
    for (std::size_t k = 0; k < n; ++k) {
        table.labels[k] = static_cast<std::uint32_t>(fg) + 1u + static_cast<std::uint32_t>(k);
        const std::int32_t entryCount = k == 0 ? ends[0] : ends[k] - ends[k - 1];
        table.pixelCounts[k] = entryCount;

        std::vector<Point3>& points = table.points[k];
        std::vector<std::uint32_t>& indices = table.pointIndices[k];
        points.reserve(static_cast<std::size_t>(entryCount));
        indices.reserve(static_cast<std::size_t>(entryCount));
        std::int32_t border = 0;
        std::uint32_t rowSum = 0;
        std::uint32_t columnSum = 0;
        for (std::int32_t i = 0; i < entryCount; ++i, ++at) {
            const PixelEntry& e = list[at];
            const Point3 point{e.row, e.column, 0};
            points.push_back(point);
            indices.push_back(static_cast<std::uint32_t>(e.index));
            if (e.pixelClass == 2) {
                table.borderPoints[k].push_back(point);
                table.borderIndices[k].push_back(static_cast<std::uint32_t>(e.index));
                ++border;
            }
            rowSum += static_cast<std::uint32_t>(e.row);
            columnSum += static_cast<std::uint32_t>(e.column);
        }
        table.borderCounts[k] = border;
        table.interiorCounts[k] = entryCount - border;
        if (entryCount > 0)
            table.centroids[k] = Point3{truncatedMean(rowSum, entryCount),
                                        truncatedMean(columnSum, entryCount), 0};
    }
    return table;
}

}  // namespace kestrano

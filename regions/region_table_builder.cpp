#include "regions/region_growth.h"

#include <utility>

namespace kestrano {

namespace {

// Integer mean with the sum kept in 32 bits (wrapping) and the quotient
// truncated toward zero.
std::int32_t truncatedMean(std::uint32_t wrappedSum, std::int32_t n)
{
    return static_cast<std::int32_t>(wrappedSum) / n;
}

}  // namespace

RegionTable buildRegionTable(std::uint16_t fg, std::vector<std::uint32_t> entries,
                             std::int32_t regionCount, const std::vector<std::int32_t>& ends,
                             std::int32_t rowLength)
{
    RegionTable table;
    const std::size_t n = regionCount > 0 ? static_cast<std::size_t>(regionCount) : 0;
    table.count = regionCount;
    table.rowLength = rowLength;
    table.labels.resize(n);
    table.pixelCounts.resize(n);
    table.borderCounts.resize(n);
    table.interiorCounts.resize(n);
    table.centroids.resize(n);
    table.firstPixel.assign(n + 1, 0);

    const auto width = static_cast<std::uint32_t>(rowLength);
    std::size_t at = 0;
    for (std::size_t k = 0; k < n; ++k) {
        table.labels[k] = static_cast<std::uint32_t>(fg) + 1u + static_cast<std::uint32_t>(k);
        const std::int32_t entryCount = k == 0 ? ends[0] : ends[k] - ends[k - 1];
        table.pixelCounts[k] = entryCount;
        std::int32_t border = 0;
        std::uint32_t rowSum = 0;
        std::uint32_t columnSum = 0;
        for (std::int32_t i = 0; i < entryCount; ++i, ++at) {
            const std::uint32_t e = entries[at];
            const std::uint32_t index = e & ~RegionTable::kBorderFlag;
            border += (e & RegionTable::kBorderFlag) != 0 ? 1 : 0;
            rowSum += index / width;
            columnSum += index % width;
        }
        table.firstPixel[k + 1] = at;
        table.borderCounts[k] = border;
        table.interiorCounts[k] = entryCount - border;
        if (entryCount > 0)
            table.centroids[k] = Point3{truncatedMean(rowSum, entryCount),
                                        truncatedMean(columnSum, entryCount), 0};
    }
    table.pixels = std::move(entries);
    return table;
}

}  // namespace kestrano

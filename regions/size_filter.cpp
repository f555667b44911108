#include "regions/size_filter.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace kestrano {

namespace {

// The regions at the given increasing indices, in that order; their pixel runs
// move to the front of the consumed table's list.
RegionTable selectRegions(RegionTable regions, const std::vector<std::int32_t>& indices,
                          std::ostream& log)
{
    const std::size_t n = indices.size();
    log << "N lista= " << n << std::endl;

    RegionTable out;
    out.count = static_cast<std::int32_t>(n);
    out.rowLength = regions.rowLength;
    out.labels.reserve(n);
    out.pixelCounts.reserve(n);
    out.borderCounts.reserve(n);
    out.interiorCounts.reserve(n);
    out.centroids.reserve(n);
    out.firstPixel.reserve(n + 1);
    std::size_t kept = 0;
    for (const std::int32_t i : indices) {
        const std::size_t k = static_cast<std::size_t>(i);
        out.labels.push_back(regions.labels.at(k));
        out.pixelCounts.push_back(regions.pixelCounts.at(k));
        out.borderCounts.push_back(regions.borderCounts.at(k));
        out.interiorCounts.push_back(regions.interiorCounts.at(k));
        out.centroids.push_back(regions.centroids.at(k));
        const auto first = regions.pixels.begin() + static_cast<std::ptrdiff_t>(regions.firstPixel.at(k));
        const auto last = regions.pixels.begin() + static_cast<std::ptrdiff_t>(regions.firstPixel.at(k + 1));
        std::copy(first, last, regions.pixels.begin() + static_cast<std::ptrdiff_t>(kept));
        kept += static_cast<std::size_t>(last - first);
        out.firstPixel.push_back(kept);
    }
    regions.pixels.resize(kept);
    out.pixels = std::move(regions.pixels);
    return out;
}

}  // namespace

RegionTable filterRegionsBySize(RegionTable regions, std::int32_t maxSize, std::int32_t minSize,
                                std::ostream& log)
{
    std::vector<std::int32_t> kept;
    for (std::int32_t i = 0; i < regions.count; ++i) {
        const std::int32_t pixels = regions.pixelCounts.at(static_cast<std::size_t>(i));
        if (pixels > minSize && pixels < maxSize)
            kept.push_back(i);
    }
    return selectRegions(std::move(regions), kept, log);
}

}  // namespace kestrano

#include "regions/size_filter.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace kestrano {

namespace {

// The first `count` elements of v (never more than it holds).
template <typename T>
std::vector<T> leading(const std::vector<T>& v, std::int32_t count)
{
    const std::size_t take =
        std::min(v.size(), static_cast<std::size_t>(std::max<std::int32_t>(count, 0)));
    return std::vector<T>(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(take));
}

// The regions at the given indices, in that order; consumes the input table.
RegionTable selectRegions(RegionTable regions, std::vector<std::int32_t> indices, std::ostream& log)
{
    const std::size_t n = indices.size();
    log << "N lista= " << n << std::endl;

    RegionTable out;
    out.count = static_cast<std::int32_t>(n);
    out.labels.reserve(n);
    out.pixelCounts.reserve(n);
    out.borderCounts.reserve(n);
    out.interiorCounts.reserve(n);
    out.centroids.reserve(n);
    out.points.reserve(n);
    out.borderPoints.reserve(n);
    out.pointIndices.reserve(n);
    out.borderIndices.reserve(n);
    for (const std::int32_t i : indices) {
        const std::size_t k = static_cast<std::size_t>(i);
        const std::int32_t pixels = regions.pixelCounts.at(k);
        const std::int32_t border = regions.borderCounts.at(k);
        out.labels.push_back(regions.labels.at(k));
        out.pixelCounts.push_back(pixels);
        out.borderCounts.push_back(border);
        out.interiorCounts.push_back(regions.interiorCounts.at(k));
        out.centroids.push_back(regions.centroids.at(k));
        out.points.push_back(leading(regions.points.at(k), pixels));
        out.pointIndices.push_back(leading(regions.pointIndices.at(k), pixels));
        out.borderPoints.push_back(leading(regions.borderPoints.at(k), border));
        out.borderIndices.push_back(leading(regions.borderIndices.at(k), border));
    }
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
    return selectRegions(std::move(regions), std::move(kept), log);
}

}  // namespace kestrano

#pragma once
// The labelled regions of a binary image: per region its label, how many
// pixels it lists (its seed is labelled but never listed), how many of those
// lie on its border, its integer centroid and its pixel list. The lists of all
// regions share one array of linear indices, 4 bytes a pixel.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrano {

// Three signed integers; region data holds (row, column, 0).
struct Point3 {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
    bool operator==(const Point3& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct RegionTable {
    // Set on the listed index of a border pixel (indices stay below 2^31).
    static constexpr std::uint32_t kBorderFlag = 0x80000000u;

    std::int32_t count = 0;
    std::int32_t rowLength = 1;  // W: a linear index is row * W + column
    std::vector<std::uint32_t> labels;
    std::vector<std::int32_t> pixelCounts;
    std::vector<std::int32_t> borderCounts;
    std::vector<std::int32_t> interiorCounts;
    std::vector<Point3> centroids;
    // Region after region, each in list order: linear index | kBorderFlag.
    std::vector<std::uint32_t> pixels;
    // Region k lists pixels[firstPixel[k] .. firstPixel[k + 1]); count + 1 entries.
    std::vector<std::size_t> firstPixel{0};

    // Region k's listed pixels as (row, column, 0), all or the border ones,
    // and their linear indices.
    std::vector<Point3> points(std::size_t k) const { return pick<Point3>(k, false); }
    std::vector<Point3> borderPoints(std::size_t k) const { return pick<Point3>(k, true); }
    std::vector<std::uint32_t> pointIndices(std::size_t k) const { return pick<std::uint32_t>(k, false); }
    std::vector<std::uint32_t> borderIndices(std::size_t k) const { return pick<std::uint32_t>(k, true); }

private:
    void make(std::uint32_t index, std::uint32_t& out) const { out = index; }
    void make(std::uint32_t index, Point3& out) const
    {
        const auto w = static_cast<std::uint32_t>(rowLength);
        out = Point3{static_cast<std::int32_t>(index / w), static_cast<std::int32_t>(index % w), 0};
    }

    template <typename T>
    std::vector<T> pick(std::size_t k, bool borderOnly) const
    {
        std::vector<T> out;
        for (std::size_t i = firstPixel[k]; i < firstPixel[k + 1]; ++i)
            if (!borderOnly || (pixels[i] & kBorderFlag) != 0) {
                out.emplace_back();
                make(pixels[i] & ~kBorderFlag, out.back());
            }
        return out;
    }
};

}  // namespace kestrano

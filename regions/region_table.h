#pragma once
// The labelled regions of a binary image: per region its label, how many
// pixels it lists (its seed is labelled but never listed), how many of those
// lie on its border, its integer centroid and its pixel lists.
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
    std::int32_t count = 0;
    std::vector<std::uint32_t> labels;
    std::vector<std::int32_t> pixelCounts;
    std::vector<std::int32_t> borderCounts;
    std::vector<std::int32_t> interiorCounts;
    std::vector<Point3> centroids;
    std::vector<std::vector<Point3>> points;              // per region, list order
    std::vector<std::vector<Point3>> borderPoints;        // per region, class-2 entries
    std::vector<std::vector<std::uint32_t>> pointIndices;   // linear indices, parallel to points
    std::vector<std::vector<std::uint32_t>> borderIndices;  // parallel to borderPoints
};

}  // namespace kestrano

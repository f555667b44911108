#pragma once
// What the ray walk of one region needs to know about the region, packed for
// speed: over the region's bounding box, one byte per pixel holding its
// chessboard distance to the nearest pixel of the label (0 on the label,
// capped at 255), and the label's row-folded column extents.
//
// The bytes lie in 8 x 8 tiles of one cache line each: a ray crosses a tile
// in several consecutive samples, so a row-major layout would miss the cache
// on almost every sample of a steep ray.
//
// The distance lets the walk jump: a sample whose pixel has clearance D cannot
// reach the label within the next D - 2 unit steps, since each step moves the
// sample by at most 1 along either axis. A capped distance only jumps less.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/image_size.h"
#include "lines/label_extents.h"

namespace kestrano {

class RegionMap {
public:
    RegionMap(const std::uint16_t* labels, const ImageSize& size, std::uint32_t label,
              const LabelExtent& extent);

    // Whether the pixel (column px, row py) holds the label.
    bool holds(std::int64_t px, std::int64_t py) const { return probe(px, py) == 0; }

    // The clearance of the pixel (column px, row py) inside the box, -1 outside.
    std::int32_t probe(std::int64_t px, std::int64_t py) const
    {
        const auto bx = static_cast<std::uint64_t>(px - left_);
        const auto by = static_cast<std::uint64_t>(py - top_);
        return bx < width_ && by < height_ ? distance_[offset(bx, by)] : -1;
    }

    // The clearance outside the box: the distance to the box.
    std::int64_t clearanceOutside(std::int64_t px, std::int64_t py) const
    {
        if (width_ == 0)
            return 1 << 30;
        const std::int64_t outX = std::max<std::int64_t>(left_ - px, px - right_);
        const std::int64_t outY = std::max<std::int64_t>(top_ - py, py - bottom_);
        return std::max(outX, outY);
    }

    // For a ray whose rows never decrease (s >= 0): whether no sample from
    // (px, py) on can hold the label, the ray having passed the label's last row
    // or, in the rows it can still reach, every column on the side it heads to.
    bool passedLabel(std::int64_t px, std::int64_t py, bool xIncreasing) const
    {
        if (width_ == 0 || py > bottom_)
            return true;
        const std::size_t r = static_cast<std::size_t>(py < top_ ? 0 : py - top_);
        return xIncreasing ? px > extent_.maxX[r] : px < extent_.minX[r];
    }

private:
    std::uint64_t offset(std::uint64_t bx, std::uint64_t by) const
    {
        return ((by >> 3) * tileColumns_ + (bx >> 3)) << 6 | (by & 7) << 3 | (bx & 7);
    }

    const LabelExtent& extent_;
    std::int64_t left_ = 0, right_ = -1, top_ = 0, bottom_ = -1;
    std::uint64_t width_ = 0, height_ = 0;  // 0: the label holds no pixel
    std::uint64_t tileColumns_ = 0;
    std::vector<std::uint8_t> distance_;  // over the box, in tiles
};

}  // namespace kestrano

#pragma once
// What the ray walk of one region needs to know about the region: whether a
// pixel holds the label (read from the label buffer itself), a lower bound
// of its chessboard distance to the label, and the label's row-folded column
// extents.
//
// Most rays stop within a few samples of their seed, so the distance is kept
// coarse and cheap to build: per 8 x 8 block of the bounding box, the
// chessboard distance in blocks to the nearest block holding the label. Two
// pixels whose blocks lie d >= 1 blocks apart are at least 8 (d - 1) + 1
// pixels apart, which bounds the pixel's clearance from below.
//
// The distance lets the walk jump: a sample whose pixel has clearance D cannot
// reach the label within the next D - 2 unit steps, since each step moves the
// sample by at most 1 along either axis. A smaller bound only jumps less.
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

    // A lower bound of the clearance of the pixel (column px, row py) inside
    // the box, exact where it is 0 (the pixel holds the label); -1 outside.
    std::int32_t probe(std::int64_t px, std::int64_t py) const
    {
        const auto bx = static_cast<std::uint64_t>(px - left_);
        const auto by = static_cast<std::uint64_t>(py - top_);
        if (!(bx < width_ && by < height_))
            return -1;
        if (labels_[static_cast<std::uint64_t>(py) * rowLength_ + static_cast<std::uint64_t>(px)] == label_)
            return 0;
        const std::int32_t d = blocks_[(by >> 3) * blockColumns_ + (bx >> 3)];
        return d <= 1 ? 1 : 8 * (d - 1) + 1;
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
    const std::uint16_t* labels_;
    std::uint64_t rowLength_;
    std::uint32_t label_;
    const LabelExtent& extent_;
    std::int64_t left_ = 0, right_ = -1, top_ = 0, bottom_ = -1;
    std::uint64_t width_ = 0, height_ = 0;  // 0: the label holds no pixel
    std::uint64_t blockColumns_ = 0;
    std::vector<std::uint8_t> blocks_;  // distance in blocks, row-major over the box's blocks
};

}  // namespace kestrano

#pragma once
// How far each pixel is from the nearest pixel of one label, in the chessboard
// metric (max of the column and row differences). A ray sample whose pixel has
// clearance D cannot reach the label within the next D - 2 unit steps, since
// each step moves the sample by at most 1 along either axis.
#include <cstdint>
#include <vector>

#include "core/image_size.h"
#include "lines/label_extents.h"
#include "lines/ray_walk.h"

namespace kestrano {

class LabelClearance {
public:
    // Distances are computed over the label's bounding box; outside it the
    // distance to the box stands in (never more than the true distance).
    LabelClearance(const std::uint16_t* labels, const ImageSize& size, std::uint32_t label,
                   const LabelExtent& extent);

    // Clearance of the pixel (column px, row py); 0 on the label itself.
    std::int64_t at(std::int64_t px, std::int64_t py) const;

private:
    bool empty_ = true;
    std::int64_t left_ = 0, right_ = -1, top_ = 0, bottom_ = -1;
    std::vector<std::int32_t> distance_;  // over the box, row after row
};

// The detector's guide for phase 1 of the ray walk: ends it once the ray has
// passed every pixel of the label, and jumps over samples that the clearance
// proves cannot belong. Both only cut what the full walk would also find.
class RegionGuide {
public:
    RegionGuide(const LabelExtent& extent, const LabelClearance& clearance, double c, double s)
        : cutoff_(extent, c, s), clearance_(clearance)
    {
    }

    bool noLaterSampleBelongs(const ray_walk::Sample& p) const
    {
        return cutoff_.noLaterSampleBelongs(p);
    }
    // p, a non-belonging sample within the frame, was taken at index i.
    std::int64_t firstPossibleIndex(const ray_walk::Sample& p, std::int64_t i) const;

private:
    ExtentCutoff cutoff_;
    const LabelClearance& clearance_;
};

}  // namespace kestrano

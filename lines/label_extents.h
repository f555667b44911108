#pragma once
// Where the pixels of each wanted label lie, as seen by a ray that never goes
// up: for every row r of the label's bounding box, the smallest and largest
// column holding the label in row r or any row below it.
#include <cstdint>
#include <vector>

#include "core/image_size.h"

namespace kestrano {

struct LabelExtent {
    std::int32_t top = 0;
    std::int32_t bottom = -1;        // bottom < top: the label holds no pixel
    std::vector<std::int32_t> minX;  // index r - top, over rows r .. bottom
    std::vector<std::int32_t> maxX;
};

class LabelExtents {
public:
    // One pass over the buffer for bounding boxes, one for the rows.
    LabelExtents(const std::uint16_t* labels, const ImageSize& size,
                 const std::vector<std::uint32_t>& wanted);

    // The extent of a wanted label; an empty extent for any other.
    const LabelExtent& of(std::uint32_t label) const;

private:
    std::vector<std::int32_t> slot_;  // 16-bit value -> index into extents_, or -1
    std::vector<LabelExtent> extents_;
    LabelExtent none_;
};

}  // namespace kestrano

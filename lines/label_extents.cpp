#include "lines/label_extents.h"

#include <algorithm>

namespace kestrano {

LabelExtents::LabelExtents(const std::uint16_t* labels, const ImageSize& size,
                           const std::vector<std::uint32_t>& wanted)
    : slot_(65536, -1)
{
    for (std::uint32_t label : wanted) {
        if (label <= 0xFFFFu && slot_[label] < 0) {
            slot_[label] = static_cast<std::int32_t>(extents_.size());
            extents_.emplace_back();
        }
    }
    if (extents_.empty() || size[0] <= 0 || size[1] <= 0)
        return;

    const std::int32_t width = size[0];
    const std::int32_t height = size[1];
    std::vector<std::int32_t> top(extents_.size(), height);
    std::vector<std::int32_t> bottom(extents_.size(), -1);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint16_t* row = labels + static_cast<std::int64_t>(y) * width;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::int32_t e = slot_[row[x]];
            if (e >= 0) {
                top[e] = std::min(top[e], y);
                bottom[e] = y;
            }
        }
    }
    for (std::size_t e = 0; e < extents_.size(); ++e) {
        if (bottom[e] < 0)
            continue;
        LabelExtent& ext = extents_[e];
        ext.top = top[e];
        ext.bottom = bottom[e];
        const std::size_t rows = static_cast<std::size_t>(ext.bottom - ext.top + 1);
        ext.minX.assign(rows, width);
        ext.maxX.assign(rows, -1);
    }
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint16_t* row = labels + static_cast<std::int64_t>(y) * width;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::int32_t e = slot_[row[x]];
            if (e >= 0) {
                LabelExtent& ext = extents_[e];
                const std::size_t r = static_cast<std::size_t>(y - ext.top);
                ext.minX[r] = std::min(ext.minX[r], x);
                ext.maxX[r] = std::max(ext.maxX[r], x);
            }
        }
    }
    // Fold each row with every row below it.
    for (LabelExtent& ext : extents_) {
        for (std::size_t r = ext.minX.size(); r-- > 1;) {
            ext.minX[r - 1] = std::min(ext.minX[r - 1], ext.minX[r]);
            ext.maxX[r - 1] = std::max(ext.maxX[r - 1], ext.maxX[r]);
        }
    }
}

const LabelExtent& LabelExtents::of(std::uint32_t label) const
{
    if (label > 0xFFFFu || slot_[label] < 0)
        return none_;
    return extents_[static_cast<std::size_t>(slot_[label])];
}

}  // namespace kestrano

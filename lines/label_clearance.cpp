#include "lines/label_clearance.h"

#include <algorithm>
#include <cmath>

namespace kestrano {

LabelClearance::LabelClearance(const std::uint16_t* labels, const ImageSize& size,
                               std::uint32_t label, const LabelExtent& extent)
{
    if (extent.bottom < extent.top)
        return;
    empty_ = false;
    top_ = extent.top;
    bottom_ = extent.bottom;
    left_ = extent.minX.front();  // the first row folds in every row below
    right_ = extent.maxX.front();
    const std::int64_t w = right_ - left_ + 1;
    const std::int64_t h = bottom_ - top_ + 1;
    const std::int32_t far = static_cast<std::int32_t>(std::min<std::int64_t>(w + h, 1 << 30));
    distance_.assign(static_cast<std::size_t>(w * h), far);
    for (std::int64_t y = 0; y < h; ++y)
        for (std::int64_t x = 0; x < w; ++x)
            if (labels[(top_ + y) * size[0] + left_ + x] == label)
                distance_[static_cast<std::size_t>(y * w + x)] = 0;

    // Two raster sweeps with unit weights give the exact chessboard distance.
    auto d = [&](std::int64_t x, std::int64_t y) -> std::int32_t& {
        return distance_[static_cast<std::size_t>(y * w + x)];
    };
    for (std::int64_t y = 0; y < h; ++y)
        for (std::int64_t x = 0; x < w; ++x) {
            std::int32_t best = d(x, y);
            if (x > 0)
                best = std::min(best, d(x - 1, y) + 1);
            if (y > 0) {
                best = std::min(best, d(x, y - 1) + 1);
                if (x > 0)
                    best = std::min(best, d(x - 1, y - 1) + 1);
                if (x + 1 < w)
                    best = std::min(best, d(x + 1, y - 1) + 1);
            }
            d(x, y) = best;
        }
    for (std::int64_t y = h; y-- > 0;)
        for (std::int64_t x = w; x-- > 0;) {
            std::int32_t best = d(x, y);
            if (x + 1 < w)
                best = std::min(best, d(x + 1, y) + 1);
            if (y + 1 < h) {
                best = std::min(best, d(x, y + 1) + 1);
                if (x + 1 < w)
                    best = std::min(best, d(x + 1, y + 1) + 1);
                if (x > 0)
                    best = std::min(best, d(x - 1, y + 1) + 1);
            }
            d(x, y) = best;
        }
}

std::int64_t LabelClearance::at(std::int64_t px, std::int64_t py) const
{
    if (empty_)
        return 1 << 30;
    const std::int64_t outX = std::max<std::int64_t>({left_ - px, px - right_, 0});
    const std::int64_t outY = std::max<std::int64_t>({top_ - py, py - bottom_, 0});
    if (outX > 0 || outY > 0)
        return std::max(outX, outY);
    return distance_[static_cast<std::size_t>((py - top_) * (right_ - left_ + 1) + px - left_)];
}

std::int64_t RegionGuide::firstPossibleIndex(const ray_walk::Sample& p, std::int64_t i) const
{
    // Within the frame, so the pixel lies inside the image.
    const std::int64_t clearance = clearance_.at(static_cast<std::int64_t>(std::floor(p.x)),
                                                 static_cast<std::int64_t>(std::floor(p.y)));
    return i + std::max<std::int64_t>(clearance - 1, 1);
}

}  // namespace kestrano

#include "lines/region_map.h"

#include <algorithm>

namespace kestrano {

RegionMap::RegionMap(const std::uint16_t* labels, const ImageSize& size, std::uint32_t label,
                     const LabelExtent& extent)
    : labels_(labels), rowLength_(static_cast<std::uint64_t>(size[0])), label_(label), extent_(extent)
{
    if (extent.bottom < extent.top)
        return;
    top_ = extent.top;
    bottom_ = extent.bottom;
    left_ = extent.minX.front();  // the first row folds in every row below
    right_ = extent.maxX.front();
    width_ = static_cast<std::uint64_t>(right_ - left_ + 1);
    height_ = static_cast<std::uint64_t>(bottom_ - top_ + 1);
    const std::size_t w = width_;
    const std::size_t h = height_;
    blockColumns_ = (width_ + 7) / 8;
    const std::size_t bw = blockColumns_;
    const std::size_t bh = (h + 7) / 8;
    blocks_.assign(bw * bh, 255);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint16_t* row = labels + (static_cast<std::size_t>(top_) + y) * rowLength_ + left_;
        std::uint8_t* blockRow = &blocks_[(y >> 3) * bw];
        for (std::size_t x = 0; x < w; ++x)
            if (row[x] == label)
                blockRow[x >> 3] = 0;
    }

    // Two raster sweeps with unit weights give the chessboard distance;
    // saturating at 255 keeps every value a lower bound of the true one.
    const auto d = [&](std::size_t x, std::size_t y) -> std::uint8_t& { return blocks_[y * bw + x]; };
    const auto step = [](std::uint8_t v) { return static_cast<std::uint8_t>(v == 255 ? 255 : v + 1); };
    for (std::size_t y = 0; y < bh; ++y) {
        for (std::size_t x = 0; x < bw; ++x) {
            std::uint8_t best = d(x, y);
            if (x > 0)
                best = std::min(best, step(d(x - 1, y)));
            if (y > 0) {
                best = std::min(best, step(d(x, y - 1)));
                if (x > 0)
                    best = std::min(best, step(d(x - 1, y - 1)));
                if (x + 1 < bw)
                    best = std::min(best, step(d(x + 1, y - 1)));
            }
            d(x, y) = best;
        }
    }
    for (std::size_t y = bh; y-- > 0;) {
        for (std::size_t x = bw; x-- > 0;) {
            std::uint8_t best = d(x, y);
            if (x + 1 < bw)
                best = std::min(best, step(d(x + 1, y)));
            if (y + 1 < bh) {
                best = std::min(best, step(d(x, y + 1)));
                if (x + 1 < bw)
                    best = std::min(best, step(d(x + 1, y + 1)));
                if (x > 0)
                    best = std::min(best, step(d(x - 1, y + 1)));
            }
            d(x, y) = best;
        }
    }
}

}  // namespace kestrano

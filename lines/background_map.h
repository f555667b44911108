#pragma once
// Which pixels the pruning passes count as background, worked out once per
// detection: a pixel whose 3 x 3 neighbourhood lies strictly inside the image
// and holds no value above 255 (no label). One bit per pixel.
#include <cstdint>
#include <vector>

#include "core/image_size.h"

namespace kestrano {

class BackgroundMap {
public:
    // size[0] is the row length, size[1] the row count. Rows are split over
    // `threads`.
    BackgroundMap(const std::uint16_t* buffer, const ImageSize& size, int threads = 1);

    // Pixel (x, y), both inside the image.
    bool at(std::int32_t x, std::int32_t y) const
    {
        const std::uint64_t word = bits_[static_cast<std::size_t>(y) * wordsPerRow_ +
                                         (static_cast<std::uint32_t>(x) >> 6)];
        return (word >> (x & 63)) & 1u;
    }

    // The bits, one row of wordsPerRow() words after another, bit x & 63 of
    // word x >> 6 for column x; null for an empty image.
    const std::uint64_t* words() const { return bits_.empty() ? nullptr : bits_.data(); }
    std::size_t wordsPerRow() const { return wordsPerRow_; }

private:
    std::size_t wordsPerRow_ = 0;
    std::vector<std::uint64_t> bits_;
};

}  // namespace kestrano

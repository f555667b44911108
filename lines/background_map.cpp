#include "lines/background_map.h"

#include "core/parallel.h"

namespace kestrano {

BackgroundMap::BackgroundMap(const std::uint16_t* buffer, const ImageSize& size, int threads)
{
    const std::int64_t width = size[0];
    const std::int64_t height = size[1];
    if (width <= 0 || height <= 0)
        return;
    wordsPerRow_ = static_cast<std::size_t>((width + 63) / 64);
    bits_.assign(wordsPerRow_ * static_cast<std::size_t>(height), 0);
    // Pixels (x, y) with 2 <= x <= width - 2 and 2 <= y <= height - 2 may count.
    if (width < 4 || height < 4)
        return;
    const auto rowOf = [&](std::int64_t y) { return buffer + y * width; };
    const std::size_t rows = static_cast<std::size_t>(height - 3);
    const std::size_t parts = std::min<std::size_t>(static_cast<std::size_t>(workerCount(threads)) * 4, rows);
    parallelFor(threads, parts, [&](std::size_t part) {
        const auto first = static_cast<std::int64_t>(partBegin(rows, parts, part)) + 2;
        const auto last = static_cast<std::int64_t>(partBegin(rows, parts, part + 1)) + 2;
        for (std::int64_t y = first; y < last; ++y) {
            const std::uint16_t* up = rowOf(y - 1);
            const std::uint16_t* mid = rowOf(y);
            const std::uint16_t* down = rowOf(y + 1);
            std::uint64_t* target = bits_.data() + static_cast<std::size_t>(y) * wordsPerRow_;
            // Columns x - 1 .. x + 1 of three rows, all 255 or less.
            const auto low = [&](std::int64_t c) { return up[c] <= 255 && mid[c] <= 255 && down[c] <= 255; };
            bool left = low(1);
            bool centre = low(2);
            for (std::int64_t x = 2; x <= width - 2; ++x) {
                const bool right = low(x + 1);
                if (left && centre && right)
                    target[x >> 6] |= std::uint64_t{1} << (x & 63);
                left = centre;
                centre = right;
            }
        }
    });
}

}  // namespace kestrano

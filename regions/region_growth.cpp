#include "regions/region_growth.h"

#include <algorithm>

#include "regions/labelling.h"

namespace kestrano {

std::int32_t classifyPixel(const std::uint16_t* work, const ImageSize& size, std::int32_t r,
                           std::int32_t c, std::uint16_t fg)
{
    const std::int32_t H = size[0];
    const std::int32_t W = size[1];
    const std::int32_t r0 = std::max(r - 1, 0), r1 = std::min(r + 1, H - 1);
    const std::int32_t c0 = std::max(c - 1, 0), c1 = std::min(c + 1, W - 1);
    std::int32_t n = 0;
    std::int32_t sum = 0;  // at most 9 * 65535: no overflow
    for (std::int32_t rr = r0; rr <= r1; ++rr)
        for (std::int32_t cc = c0; cc <= c1; ++cc) {
            sum += work[rr * W + cc];
            ++n;
        }
    if (sum >= n * static_cast<std::int32_t>(fg))
        return 1;
    return sum > 0 ? 2 : 0;
}

bool growRegion(std::uint16_t* work, PixelList& list, const ImageSize& size, std::int32_t seedRow,
                std::int32_t seedCol, std::uint16_t label, std::uint16_t fg)
{
    const std::int32_t H = size[0];
    const std::int32_t W = size[1];
    std::vector<std::uint32_t>& entries = list.entries;
    const std::size_t first = entries.size();
    list.markReached(seedRow * W + seedCol);

    // The queue of centres still to scan is exactly this region's run of
    // entries (every entered pixel is queued, in the same order), so a cursor
    // into that run serves as the first-in first-out queue.
    std::size_t next = first;
    bool stoppedAtLimit = false;
    std::int32_t r = seedRow;
    std::int32_t c = seedCol;
    for (;;) {
        const std::int32_t r0 = std::max(r - 1, 0), r1 = std::min(r + 1, H - 1);
        const std::int32_t c0 = std::max(c - 1, 0), c1 = std::min(c + 1, W - 1);
        for (std::int32_t rr = r0; rr <= r1; ++rr)
            for (std::int32_t cc = c0; cc <= c1; ++cc) {
                const std::int32_t p = rr * W + cc;
                if (work[p] != fg || list.wasReached(p))
                    continue;
                const std::int32_t pixelClass = classifyPixel(work, size, rr, cc, fg);
                if (pixelClass == 0)
                    continue;
                list.markReached(p);
                entries.push_back(static_cast<std::uint32_t>(p) |
                                  (pixelClass == 2 ? RegionTable::kBorderFlag : 0u));
            }
        // The window around (H - 2, W - 2) has touched the last row and column:
        // growth ends here, even with centres still queued.
        if (r == H - 2 && c == W - 2) {
            stoppedAtLimit = true;
            break;
        }
        if (next == entries.size())
            break;
        const std::int32_t p = static_cast<std::int32_t>(entries[next] & ~RegionTable::kBorderFlag);
        r = p / W;
        c = p % W;
        ++next;
    }

    // Labels go in only now: while the region grew, its own pixels had to
    // keep fg so that the classification of their neighbours saw them as such.
    work[seedRow * W + seedCol] = label;
    for (std::size_t i = first; i < entries.size(); ++i)
        work[entries[i] & ~RegionTable::kBorderFlag] = label;
    return stoppedAtLimit;
}

}  // namespace kestrano

#pragma once
// The background tests of the pruning passes written out literally, pixel by
// pixel on the label buffer: the reference for the background map.
// size[0] is the row length.
#include <cmath>
#include <cstdint>

#include "core/image_size.h"
#include "core/numeric.h"

namespace kestrano::reference {

// The 3 x 3 neighbourhood centred on (x, y) lies strictly inside the image
// and holds no value above 255.
inline bool isBackgroundPixel(const std::uint16_t* buffer, const ImageSize& size, std::int32_t x,
                              std::int32_t y)
{
    const std::int64_t cx = x, cy = y;
    if (!(cx - 1 > 0 && cx + 1 < size[0] && cy - 1 > 0 && cy + 1 < size[1]))
        return false;
    for (std::int64_t row = cy - 1; row <= cy + 1; ++row)
        for (std::int64_t col = cx - 1; col <= cx + 1; ++col)
            if (buffer[row * size[0] + col] > 255)
                return false;
    return true;
}

inline bool backgroundBetween(const std::uint16_t* buffer, const ImageSize& size, double ax, double ay,
                              double bx, double by, std::int32_t minCount)
{
    const auto floorToPixel = [](double v) {
        const double f = std::floor(v);
        return f > -1.0 && f < 2147483648.0 ? static_cast<std::int32_t>(f) : -1;
    };
    const double d = std::sqrt((ay - by) * (ay - by) + (ax - bx) * (ax - bx));
    const std::int32_t need = truncToInt32(std::floor(d * 0.2));
    const double n = std::floor(d);
    std::int32_t count = 0;
    for (double t = 0.0; t < n; t += 1.0) {
        const std::int32_t px = floorToPixel((bx - ax) * t / d + ax);
        const std::int32_t py = floorToPixel((by - ay) * t / d + ay);
        if (px > 0 && px < size[0] && py > 0 && py < size[1] && isBackgroundPixel(buffer, size, px, py) &&
            ++count > minCount && count > need)
            return true;
    }
    return false;
}

}  // namespace kestrano::reference

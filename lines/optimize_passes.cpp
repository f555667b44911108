#include "lines/optimize_passes.h"
#include "lines/pruning_background.h"

#include <cmath>
#include <ostream>

#include "core/angles.h"
#include "core/numeric.h"
#include "lines/pruning_sweep.h"

namespace kestrano {

namespace {

// floor(v) as a signed 32-bit integer, where only values inside the image
// matter: anything else (out of range or not a number) yields -1.
inline std::int32_t floorToPixel(double v)
{
    const double f = std::floor(v);
    return f > -1.0 && f < 2147483648.0 ? static_cast<std::int32_t>(f) : -1;
}

// A slope of 0 counts as positive.
int slopeSign(const StraightLine& line)
{
    return std::floor(line.slope()) < 0.0 ? -1 : 1;
}

}  // namespace

bool isBackgroundPixel(const std::uint16_t* buffer, const ImageSize& size, std::int32_t x,
                       std::int32_t y)
{
    // The 3 x 3 neighbourhood centred on (x, y), all strictly inside the image.
    const std::int64_t cx = x;
    const std::int64_t cy = y;
    if (!(cx - 1 > 0 && cx + 1 < size[0] && cy - 1 > 0 && cy + 1 < size[1]))
        return false;
    for (std::int64_t row = cy - 1; row <= cy + 1; ++row)
        for (std::int64_t col = cx - 1; col <= cx + 1; ++col)
            if (buffer[row * size[0] + col] > 255)
                return false;
    return true;
}

bool backgroundBetween(const std::uint16_t* buffer, const ImageSize& size, double ax, double ay,
                       double bx, double by, std::int32_t minCount)
{
    const double d = std::sqrt((ay - by) * (ay - by) + (ax - bx) * (ax - bx));
    const std::int32_t need = truncToInt32(std::floor(d * 0.2));
    const double n = std::floor(d);
    if (!(n > 0.0))
        return false;
    std::int32_t count = 0;
    for (double t = 0.0; t < n; t += 1.0) {
        const std::int32_t px = floorToPixel((bx - ax) * t / d + ax);
        const std::int32_t py = floorToPixel((by - ay) * t / d + ay);
        if (px > 0 && px < size[0] && py > 0 && py < size[1] &&
            isBackgroundPixel(buffer, size, px, py)) {
            ++count;
            if (count > minCount && count > need)
                return true;
        }
    }
    return false;
}

bool linesConnected(const std::uint16_t* buffer, const ImageSize& size, const StraightLine& a,
                    const StraightLine& b, std::int32_t minCount)
{
    // Both paths are pure reads: once the starts are not apart, the ends
    // cannot change the answer.
    if (!backgroundBetween(buffer, size, a.x1(), a.y1(), b.x1(), b.y1(), minCount))
        return true;
    return !backgroundBetween(buffer, size, a.x2(), a.y2(), b.x2(), b.y2(), minCount);
}

LineList optimizePass0(const std::uint16_t* buffer, const ImageSize& size, LineList lines)
{
    return pruneSweep(lines, [&](const StraightLine& a, const StraightLine& b) {
        return slopeSign(a) * slopeSign(b) >= 0 && linesConnected(buffer, size, a, b, 5);
    });
}

LineList optimizePass1(const std::uint16_t* buffer, const ImageSize& size, LineList lines,
                       double angleStep, std::ostream& log)
{
    return pruneSweep(lines, [&](const StraightLine& a, const StraightLine& b) {
        // Directions near 0 and near pi describe nearly the same undirected line.
        const double dTheta = std::fabs(a.angle() - b.angle());
        if (!(dTheta <= angleStep || dTheta >= kPi - angleStep))
            return false;
        const int sign = slopeSign(a) * slopeSign(b);
        log << "signo: " << sign << std::endl;
        return linesConnected(buffer, size, a, b, sign < 0 ? 5 : 20);
    });
}

}  // namespace kestrano

#include "lines/optimize_passes.h"
#include "lines/pruning_background.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "core/angles.h"
#include "core/numeric.h"
#include "lines/pruning_sweep.h"

namespace kestrano {

namespace {

// floor(v) as a signed 32-bit integer, where only values inside the image
// matter: anything else (negative, too large or not a number) yields -1. For
// v >= 0 the truncation is the floor.
inline std::int32_t floorToPixel(double v)
{
    return v >= 0.0 && v < 2147483648.0 ? static_cast<std::int32_t>(v) : -1;
}

// A slope of 0 counts as positive.
int slopeSign(const StraightLine& line)
{
    return std::floor(line.slope()) < 0.0 ? -1 : 1;
}

}  // namespace

bool backgroundBetween(const BackgroundMap& background, const ImageSize& size, double ax, double ay,
                       double bx, double by, std::int32_t minCount)
{
    const double d = std::sqrt((ay - by) * (ay - by) + (ax - bx) * (ax - bx));
    const std::int32_t need = truncToInt32(std::floor(d * 0.2));
    const double n = std::floor(d);
    if (!(n > 0.0))
        return false;
    // The answer is yes once the count passes both; once even every step left
    // could not get it there, the answer is no.
    const double target = static_cast<double>(std::max(minCount, need));
    std::int32_t count = 0;
    for (double t = 0.0; t < n; t += 1.0) {
        if (static_cast<double>(count) + (n - t) <= target)
            return false;
        const std::int32_t px = floorToPixel((bx - ax) * t / d + ax);
        const std::int32_t py = floorToPixel((by - ay) * t / d + ay);
        if (px > 0 && px < size[0] && py > 0 && py < size[1] && background.at(px, py)) {
            ++count;
            if (count > minCount && count > need)
                return true;
        }
    }
    return false;
}

bool linesConnected(const BackgroundMap& background, const ImageSize& size, const StraightLine& a,
                    const StraightLine& b, std::int32_t minCount)
{
    // Both paths are pure reads: once the starts are not apart, the ends
    // cannot change the answer.
    if (!backgroundBetween(background, size, a.x1(), a.y1(), b.x1(), b.y1(), minCount))
        return true;
    return !backgroundBetween(background, size, a.x2(), a.y2(), b.x2(), b.y2(), minCount);
}

LineList optimizePass0(const BackgroundMap& background, const ImageSize& size, LineList lines)
{
    return pruneSweep(lines, [&](const StraightLine& a, const StraightLine& b) {
        return slopeSign(a) * slopeSign(b) >= 0 && linesConnected(background, size, a, b, 5);
    });
}

LineList optimizePass1(const BackgroundMap& background, const ImageSize& size, LineList lines,
                       double angleStep, std::ostream& log)
{
    return pruneSweep(lines, [&](const StraightLine& a, const StraightLine& b) {
        // Directions near 0 and near pi describe nearly the same undirected line.
        const double dTheta = std::fabs(a.angle() - b.angle());
        if (!(dTheta <= angleStep || dTheta >= kPi - angleStep))
            return false;
        const int sign = slopeSign(a) * slopeSign(b);
        log << "signo: " << sign << std::endl;
        return linesConnected(background, size, a, b, sign < 0 ? 5 : 20);
    });
}

}  // namespace kestrano

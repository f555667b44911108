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

// floorToPixel(delta * t / d + origin), the path's coordinate at step t,
// mostly without the two roundings of the division: t * (delta / d) + origin
// lies within (|t * delta / d| + |value| + 1) * 2^-50 of it (a few units in
// the last place of either), so where that interval holds no whole number the
// floor is the same; elsewhere the literal expression decides.
class PathCoordinate {
public:
    PathCoordinate(double delta, double d, double origin)
        : delta_(delta), d_(d), origin_(origin), rate_(delta / d)
    {
    }

    std::int32_t pixel(double t) const
    {
        const double product = t * rate_;
        const double value = product + origin_;
        const double slack = (std::fabs(product) + std::fabs(value) + 1.0) * 0x1p-50;
        const std::int32_t low = floorToPixel(value - slack);
        if (low == floorToPixel(value + slack))
            return low;
        return floorToPixel(delta_ * t / d_ + origin_);
    }

private:
    double delta_, d_, origin_, rate_;
};

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
    const double dx = bx - ax;
    const double dy = by - ay;
    const PathCoordinate alongX(dx, d, ax);
    const PathCoordinate alongY(dy, d, ay);
    std::int32_t count = 0;
    for (double t = 0.0; t < n; t += 1.0) {
        if (static_cast<double>(count) + (n - t) <= target)
            return false;
        const std::int32_t px = alongX.pixel(t);
        const std::int32_t py = alongY.pixel(t);
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

LineList optimizePass0(const BackgroundMap& background, const ImageSize& size, LineList lines, int threads)
{
    return pruneSweep(
        lines,
        [&](const StraightLine& a, const StraightLine& b) {
            return slopeSign(a) * slopeSign(b) >= 0 && linesConnected(background, size, a, b, 5);
        },
        [](const StraightLine&, const StraightLine&) {}, threads);
}

LineList optimizePass1(const BackgroundMap& background, const ImageSize& size, LineList lines,
                       double angleStep, std::ostream& log, int threads)
{
    // Directions near 0 and near pi describe nearly the same undirected line.
    const auto alike = [angleStep](const StraightLine& a, const StraightLine& b) {
        const double dTheta = std::fabs(a.angle() - b.angle());
        return dTheta <= angleStep || dTheta >= kPi - angleStep;
    };
    return pruneSweep(
        lines,
        [&](const StraightLine& a, const StraightLine& b) {
            return alike(a, b) &&
                   linesConnected(background, size, a, b, slopeSign(a) * slopeSign(b) < 0 ? 5 : 20);
        },
        [&](const StraightLine& a, const StraightLine& b) {
            if (alike(a, b))
                log << "signo: " << slopeSign(a) * slopeSign(b) << std::endl;
        },
        threads);
}

}  // namespace kestrano

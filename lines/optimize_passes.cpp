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

// A slope of 0 counts as positive.
int slopeSign(const StraightLine& line)
{
    return std::floor(line.slope()) < 0.0 ? -1 : 1;
}

}  // namespace

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

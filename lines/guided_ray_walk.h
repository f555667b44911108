#pragma once
// The detector's ray walk from one seed in one direction. It gives exactly the
// segment of the literal walk (every sample taken until the walk leaves the
// frame), but stops once the ray has passed every pixel of the label, where
// the literal walk could only end with the placeholder, and jumps over samples
// that the region's clearance proves cannot hold the label.
#include <cmath>
#include <cstdint>

#include "core/image_size.h"
#include "core/straight_line.h"
#include "lines/region_map.h"

namespace kestrano {

namespace guided_walk {

// floor(v) as an integer. Within +-2^52 a truncation and one correction give
// the exact floor without a library call; beyond, any value past the image
// serves, as it is only compared with pixel positions.
inline std::int64_t floorIndex(double v)
{
    constexpr double kLimit = 4503599627370496.0;  // 2^52
    if (!(v < kLimit))
        return std::int64_t{1} << 53;
    if (!(v > -kLimit))
        return -(std::int64_t{1} << 53);
    const auto t = static_cast<std::int64_t>(v);
    return static_cast<double>(t) > v ? t - 1 : t;
}

struct Sample {
    double x;
    double y;
    std::int64_t px;  // floor(x)
    std::int64_t py;  // floor(y)
    bool belongs;
};

// One direction of the fan: angle, cosine, sine.
struct Direction {
    double angle;
    double c;
    double s;
};

}  // namespace guided_walk

inline StraightLine walkGuided(const RegionMap& region, const ImageSize& size, std::int32_t x0,
                               std::int32_t y0, const guided_walk::Direction& dir,
                               std::int32_t lMinLine, std::uint32_t label)
{
    using guided_walk::Sample;
    const double c = dir.c;
    const double s = dir.s;
    const double frameX = static_cast<double>(size[0]);
    const double frameY = static_cast<double>(size[1]);
    // P(i) = (i * c + x0, i * s + y0), product first.
    const auto take = [&](std::int64_t i) {
        const double t = static_cast<double>(i);
        Sample p{t * c + x0, t * s + y0, 0, 0, false};
        p.px = guided_walk::floorIndex(p.x);
        p.py = guided_walk::floorIndex(p.y);
        p.belongs = region.holds(p.px, p.py);
        return p;
    };
    // Strictly inside the image on the real coordinates.
    const auto withinFrame = [&](const Sample& p) {
        return p.x > 0.0 && p.x < frameX && p.y > 0.0 && p.y < frameY;
    };
    // Rows never decrease when s >= 0 (rounding is monotone), so the label's
    // extents can end the walk; for s < 0 nothing is cut.
    const bool cutoffUsable = s >= 0.0;
    const bool xIncreasing = c >= 0.0;

    // Phase 1: count the belonging samples of every run along the ray (a run
    // of m adds m + 1, and the sample after the run's end is skipped).
    std::int64_t count = 0;
    std::int64_t i = 0;
    bool longEnough = false;
    for (;;) {
        std::int64_t lastIndex = i;
        Sample last = take(i);
        if (last.belongs) {
            std::int64_t k = i + 1;
            ++count;
            for (;;) {
                last = take(k);
                ++count;
                if (!last.belongs)
                    break;
                ++k;
            }
            lastIndex = k;
            i = k + 1;
            if (count > lMinLine) {
                longEnough = true;
                break;
            }
        }
        ++i;
        if (!withinFrame(last) || (cutoffUsable && region.passedLabel(last.px, last.py, xIncreasing)))
            break;
        // The in-frame samples form one stretch of indices (both coordinates
        // are monotone in the index), so if the last skipped sample is within
        // the frame, so are all the skipped ones.
        const std::int64_t clear = region.clearance(last.px, last.py);
        const std::int64_t next = lastIndex + (clear > 2 ? clear - 1 : 1);
        if (next > i) {
            if (!withinFrame(take(next - 1)))
                break;
            i = next;
        }
    }
    if (!longEnough)
        return StraightLine(1.0, 1.0, 1.0, 1.0);

    // Phase 2: locate the segment; the sample index is compared with count.
    Sample start{static_cast<double>(x0), static_cast<double>(y0), 0, 0, true};
    Sample end{};
    std::int64_t j = 0;
    for (;;) {
        Sample p = take(j);
        if (!p.belongs) {
            end = p;
            break;
        }
        start = p;
        std::int64_t k = j + 1;
        do {
            p = take(k);
            ++k;
        } while (p.belongs);
        j = k + 1;
        if (!(j < count)) {
            end = p;
            break;
        }
    }

    const double dx = start.x - end.x;
    const double dy = start.y - end.y;
    StraightLine line((start.x + end.x) * 0.5, (start.y + end.y) * 0.5,
                      std::sqrt(dx * dx + dy * dy), dir.angle);
    line.setX1(start.x);
    line.setY1(start.y);
    line.setX2(end.x);
    line.setY2(end.y);
    line.setLabel(label);
    return line;
}

}  // namespace kestrano

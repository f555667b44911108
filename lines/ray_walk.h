#pragma once
// The two-phase ray walk behind traceLine, shared by the literal entry point
// and the detector's faster one. A Guide may end phase 1 early or jump over
// samples, but only where the full walk provably gives the same result: it
// ends early only where the full walk would end with the placeholder, and it
// jumps only over samples that cannot belong.
#include <cmath>
#include <cstdint>

#include "core/image_size.h"
#include "core/straight_line.h"

namespace kestrano {

namespace ray_walk {

struct Sample {
    double x;
    double y;
    bool belongs;
};

// P(i) = (i * c + x0, i * s + y0), product first; it belongs when its pixel
// lies inside the image and holds the label. Outside pixels are never read.
inline Sample takeSample(const std::uint16_t* labels, const ImageSize& size, std::int32_t x0,
                         std::int32_t y0, double c, double s, std::int64_t i, std::uint32_t label)
{
    const double t = static_cast<double>(i);
    Sample p{t * c + x0, t * s + y0, false};
    const double fx = std::floor(p.x);
    const double fy = std::floor(p.y);
    if (fx >= 0.0 && fx < static_cast<double>(size[0]) && fy >= 0.0 &&
        fy < static_cast<double>(size[1])) {
        const std::int64_t at =
            static_cast<std::int64_t>(fy) * size[0] + static_cast<std::int64_t>(fx);
        p.belongs = labels[at] == label;
    }
    return p;
}

// Strictly inside the image on the real coordinates.
inline bool withinFrame(const Sample& p, const ImageSize& size)
{
    return p.x > 0.0 && p.x < static_cast<double>(size[0]) && p.y > 0.0 &&
           p.y < static_cast<double>(size[1]);
}

// Takes every sample until the walk leaves the frame.
struct FullWalk {
    bool noLaterSampleBelongs(const Sample&) const { return false; }
    std::int64_t firstPossibleIndex(const Sample&, std::int64_t i) const { return i + 1; }
};

inline StraightLine placeholderLine()
{
    return StraightLine(1.0, 1.0, 1.0, 1.0);
}

template <typename Guide>
StraightLine walkRay(const std::uint16_t* labels, const ImageSize& size, std::int32_t x0,
                     std::int32_t y0, double angle, double c, double s, std::int32_t lMinLine,
                     std::uint32_t label, const Guide& guide)
{
    auto take = [&](std::int64_t i) { return takeSample(labels, size, x0, y0, c, s, i, label); };

    // Phase 1: count the belonging samples of every run along the ray (a run
    // of m adds m + 1, its first sample being taken twice).
    std::int64_t count = 0;
    std::int64_t i = 0;
    bool longEnough = false;
    for (;;) {
        std::int64_t lastIndex = i;
        Sample last = take(i);
        if (last.belongs) {
            std::int64_t k = i;
            do {
                lastIndex = k;
                last = take(k);
                ++count;
                ++k;
            } while (last.belongs);
            i = k;
            if (count > lMinLine) {
                longEnough = true;
                break;
            }
        }
        ++i;  // after a run this skips the sample past the non-belonging one
        if (!withinFrame(last, size) || guide.noLaterSampleBelongs(last))
            break;
        // The in-frame samples form one stretch of indices (both coordinates are
        // monotone in the index), so if the last skipped sample is within the
        // frame, so are all the skipped ones.
        const std::int64_t next = guide.firstPossibleIndex(last, lastIndex);
        if (next > i) {
            if (!withinFrame(take(next - 1), size))
                break;
            i = next;
        }
    }
    if (!longEnough)
        return placeholderLine();

    // Phase 2: locate the segment; the sample index is compared with count.
    Sample start{static_cast<double>(x0), static_cast<double>(y0),
                 true};  // if the seed does not belong
    Sample end{};
    std::int64_t j = 0;
    for (;;) {
        Sample p = take(j);
        if (!p.belongs) {
            end = p;
            break;
        }
        start = p;
        std::int64_t k = j;
        do {
            p = take(k);
            ++k;
        } while (p.belongs);
        j = k;
        ++j;
        if (!(j < count)) {
            end = p;
            break;
        }
    }

    const double dx = start.x - end.x;
    const double dy = start.y - end.y;
    StraightLine line((start.x + end.x) * 0.5, (start.y + end.y) * 0.5,
                      std::sqrt(dx * dx + dy * dy), angle);
    line.setX1(start.x);
    line.setY1(start.y);
    line.setX2(end.x);
    line.setY2(end.y);
    line.setLabel(label);
    return line;
}

}  // namespace ray_walk

}  // namespace kestrano

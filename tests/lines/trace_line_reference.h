#pragma once
// The literal ray walk from one seed pixel in one direction: every sample is
// taken until the walk leaves the frame. The detector's guided walk must give
// the same segments.
// size[0] is the row length (x extent) and size[1] the row count (y extent).
#include <cmath>
#include <cstdint>

#include "core/image_size.h"
#include "core/straight_line.h"

namespace kestrano {

inline StraightLine traceLine(const std::uint16_t* labels, const ImageSize& size, std::int32_t x0,
                              std::int32_t y0, double angle, std::int32_t lMinLine, std::uint32_t label)
{
    struct Sample {
        double x, y;
        bool belongs;
    };
    const double c = std::cos(angle), s = std::sin(angle);
    // P(i) = (i * c + x0, i * s + y0), product first; it belongs when its pixel
    // lies inside the image and holds the label.
    const auto take = [&](std::int64_t i) {
        const double t = static_cast<double>(i);
        Sample p{t * c + x0, t * s + y0, false};
        const double fx = std::floor(p.x), fy = std::floor(p.y);
        if (fx >= 0.0 && fx < size[0] && fy >= 0.0 && fy < size[1])
            p.belongs = labels[static_cast<std::int64_t>(fy) * size[0] + static_cast<std::int64_t>(fx)] == label;
        return p;
    };

    // Phase 1: count the belonging samples of every run along the ray (a run
    // of m adds m + 1), until the count passes lMinLine or the walk leaves
    // the frame.
    std::int64_t count = 0;
    for (std::int64_t i = 0;; ++i) {
        Sample last = take(i);
        if (last.belongs) {
            do
                last = take(i++), ++count;
            while (last.belongs);
            if (count > lMinLine)
                break;
        }
        if (!(last.x > 0.0 && last.x < size[0] && last.y > 0.0 && last.y < size[1]))
            return StraightLine(1.0, 1.0, 1.0, 1.0);
    }

    // Phase 2: locate the segment; the sample index is compared with count.
    Sample start{static_cast<double>(x0), static_cast<double>(y0), true}, end{};
    for (std::int64_t j = 0;;) {
        Sample p = take(j);
        if (!p.belongs) {
            end = p;
            break;
        }
        start = p;
        do
            p = take(j++);
        while (p.belongs);
        if (!(++j < count)) {
            end = p;
            break;
        }
    }
    const double dx = start.x - end.x, dy = start.y - end.y;
    StraightLine line((start.x + end.x) * 0.5, (start.y + end.y) * 0.5, std::sqrt(dx * dx + dy * dy), angle);
    line.setX1(start.x);
    line.setY1(start.y);
    line.setX2(end.x);
    line.setY2(end.y);
    line.setLabel(label);
    return line;
}

}  // namespace kestrano

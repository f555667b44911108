#include "lines/trace_line_reference.h"

#include <cmath>

namespace kestrano {

namespace {

struct Sample {
    double x;
    double y;
    bool belongs;
};

// P(i) = (i * c + x0, i * s + y0), product first; it belongs when its pixel
// lies inside the image and holds the label.
Sample takeSample(const std::uint16_t* labels, const ImageSize& size, std::int32_t x0,
                  std::int32_t y0, double c, double s, std::int64_t i, std::uint32_t label)
{
    const double t = static_cast<double>(i);
    Sample p{t * c + x0, t * s + y0, false};
    const double fx = std::floor(p.x);
    const double fy = std::floor(p.y);
    if (fx >= 0.0 && fx < static_cast<double>(size[0]) && fy >= 0.0 &&
        fy < static_cast<double>(size[1]))
        p.belongs = labels[static_cast<std::int64_t>(fy) * size[0] + static_cast<std::int64_t>(fx)] ==
                    label;
    return p;
}

bool withinFrame(const Sample& p, const ImageSize& size)
{
    return p.x > 0.0 && p.x < static_cast<double>(size[0]) && p.y > 0.0 &&
           p.y < static_cast<double>(size[1]);
}

}  // namespace

StraightLine traceLine(const std::uint16_t* labels, const ImageSize& size, std::int32_t x0,
                       std::int32_t y0, double angle, std::int32_t lMinLine, std::uint32_t label)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    auto take = [&](std::int64_t i) { return takeSample(labels, size, x0, y0, c, s, i, label); };

    // Phase 1: count the belonging samples of every run along the ray (a run
    // of m adds m + 1), until the count passes lMinLine or the walk leaves
    // the frame.
    std::int64_t count = 0;
    std::int64_t i = 0;
    bool longEnough = false;
    for (;;) {
        Sample last = take(i);
        if (last.belongs) {
            std::int64_t k = i;
            do {
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
        ++i;
        if (!withinFrame(last, size))
            break;
    }
    if (!longEnough)
        return StraightLine(1.0, 1.0, 1.0, 1.0);

    // Phase 2: locate the segment; the sample index is compared with count.
    Sample start{static_cast<double>(x0), static_cast<double>(y0), true};
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

}  // namespace kestrano

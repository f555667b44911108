#pragma once
// The points a segment is painted at: from its start point truncated to whole
// pixels, in unit steps t = 0, 1, ... while t < length, everything in single
// precision. Painting and the segment tables share it, so that the end points
// a table reports are the pixels the painted image shows.
#include <cmath>
#include <cstdint>

#include "core/numeric.h"
#include "core/straight_line.h"

namespace kestrano {

struct PixelPoint {
    std::int32_t x = 0;  // column
    std::int32_t y = 0;  // row
};

class PaintedPath {
public:
    explicit PaintedPath(const StraightLine& line)
        : x0_(truncToInt32(line.x1())),
          y0_(truncToInt32(line.y1())),
          angle_(static_cast<float>(line.angle())),
          length_(static_cast<float>(line.length())),
          ca_(std::cos(angle_)),
          sa_(std::sin(angle_)),
          fx_(static_cast<float>(x0_)),
          fy_(static_cast<float>(y0_))
    {
    }

    std::int32_t x0() const { return x0_; }
    std::int32_t y0() const { return y0_; }
    float angle() const { return angle_; }    // as painted and listed: single precision
    float length() const { return length_; }

    // The point of step t: each product and sum rounded to single precision.
    PixelPoint at(float t) const
    {
        const float xStep = t * ca_;
        const float yStep = t * sa_;
        return {floorToInt(xStep + fx_), floorToInt(yStep + fy_)};
    }

    // The last step taken: the largest whole t below the length. From 2^24 on
    // t + 1 == t, so the walk ends there. Only meaningful when length > 0.
    float lastStep() const
    {
        const float last = std::ceil(length_) - 1.0f;
        return last < 16777216.0f ? last : 16777216.0f;
    }

private:
    static std::int32_t floorToInt(float v)
    {
        return truncToInt32(static_cast<double>(std::floor(v)));
    }

    std::int32_t x0_;
    std::int32_t y0_;
    float angle_;
    float length_;
    float ca_;
    float sa_;
    float fx_;
    float fy_;
};

}  // namespace kestrano

#pragma once
// A labelled test image (size[0] columns, size[1] rows, row after row) and the
// fields of a traced segment, for comparing segments in one go.
#include <cstdint>
#include <vector>

#include "core/image_size.h"
#include "core/straight_line.h"

using namespace kestrano;

struct LabelImage {
    ImageSize size;
    std::vector<std::uint16_t> pixels;

    LabelImage(std::int32_t w, std::int32_t h, std::uint16_t v = 0)
        : size{w, h}, pixels(static_cast<std::size_t>(w) * h, v)
    {
    }
    std::uint16_t& at(std::int32_t x, std::int32_t y) { return pixels[std::size_t(y) * size[0] + x]; }
    void fill(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, std::uint16_t v)
    {
        for (std::int32_t y = y0; y <= y1; ++y)
            for (std::int32_t x = x0; x <= x1; ++x)
                at(x, y) = v;
    }
    const std::uint16_t* data() const { return pixels.data(); }
};

using Geometry = std::vector<double>;

// Label, angle, x1, y1, x2, y2, length, centre x, centre y.
inline Geometry geometry(const StraightLine& l)
{
    return {double(l.label()), l.angle(), l.x1(), l.y1(), l.x2(), l.y2(),
            l.length(), l.centerX(), l.centerY()};
}

#include "lines/trace_line_reference.h"

#include <cmath>

#include "lines/ray_walk.h"

namespace kestrano {

StraightLine traceLine(const std::uint16_t* labels, const ImageSize& size, std::int32_t x0,
                       std::int32_t y0, double angle, std::int32_t lMinLine, std::uint32_t label)
{
    return ray_walk::walkRay(labels, size, x0, y0, angle, std::cos(angle), std::sin(angle),
                             lMinLine, label, ray_walk::FullWalk{});
}

}  // namespace kestrano

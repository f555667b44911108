#pragma once
// The background tests behind the pruning passes: two candidates stand for
// distinct structures only when background separates both their start points
// and their end points.
#include <cstdint>

#include "core/image_size.h"
#include "core/straight_line.h"

namespace kestrano {

bool linesConnected(const std::uint16_t* buffer, const ImageSize& size, const StraightLine& a,
                    const StraightLine& b, std::int32_t minCount);
bool backgroundBetween(const std::uint16_t* buffer, const ImageSize& size, double ax, double ay,
                       double bx, double by, std::int32_t minCount);
bool isBackgroundPixel(const std::uint16_t* buffer, const ImageSize& size, std::int32_t x,
                       std::int32_t y);

}  // namespace kestrano

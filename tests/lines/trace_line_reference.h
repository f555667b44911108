#pragma once
// The literal ray walk from one seed pixel in one direction: every sample is
// taken until the walk leaves the frame. The detector's guided walk must give
// the same segments.
// size[0] is the row length (x extent) and size[1] the row count (y extent).
#include <cstdint>

#include "core/image_size.h"
#include "core/straight_line.h"

namespace kestrano {

StraightLine traceLine(const std::uint16_t* labels, const ImageSize& size, std::int32_t x0,
                       std::int32_t y0, double angle, std::int32_t lMinLine, std::uint32_t label);

}  // namespace kestrano

#pragma once
// The ray walk from one seed pixel in one direction through the labelled image.
// size[0] is the row length (x extent) and size[1] the row count (y extent).
#include <cstdint>

#include "lines/straight_line.h"
#include "plugin/image_size.h"

StraightLine traceLine(const std::uint16_t* labels, const ImageSize& size, std::int32_t x0,
                       std::int32_t y0, double angle, std::int32_t lMinLine, std::uint32_t label);

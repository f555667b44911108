#pragma once
// The line detector: labels and filters the regions of the binarised buffer,
// traces candidates from sampled seeds in a fan of directions, groups them by
// region and prunes each group. size[0] is the row length, size[1] the row count.
#include <cstdint>

#include "lines/straight_line.h"
#include "plugin/image_size.h"

LineGroups detectLines(std::uint16_t* buffer, ImageSize& size, std::int32_t speed,
                       std::int32_t nAng, std::int32_t lMinLine, std::int32_t minSize,
                       std::int32_t maxSize);

// Splits the candidates into one list per label from the smallest to the
// largest label present, keys 0 .. N - 1 without gaps.
LineGroups groupByLabel(LineList lines);

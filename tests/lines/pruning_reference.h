#pragma once
// The background tests of the pruning passes written out literally, pixel by
// pixel on the label buffer: the reference for the background map.
// size[0] is the row length.
#include <cstdint>

#include "core/image_size.h"

namespace kestrano::reference {

// The 3 x 3 neighbourhood centred on (x, y) lies strictly inside the image
// and holds no value above 255.
bool isBackgroundPixel(const std::uint16_t* buffer, const ImageSize& size, std::int32_t x,
                       std::int32_t y);

bool backgroundBetween(const std::uint16_t* buffer, const ImageSize& size, double ax, double ay,
                       double bx, double by, std::int32_t minCount);

}  // namespace kestrano::reference

#pragma once
// The background tests behind the pruning passes: two candidates stand for
// distinct structures only when background separates both their start points
// and their end points.
#include <cstdint>

#include "core/image_size.h"
#include "core/straight_line.h"
#include "lines/background_map.h"

namespace kestrano {

// Whether more than minCount, and more than a fifth of the distance, of the
// unit steps from (ax, ay) towards (bx, by) land on background pixels.
bool backgroundBetween(const BackgroundMap& background, const ImageSize& size, double ax, double ay,
                       double bx, double by, std::int32_t minCount);
// False when background separates both the starts and the ends.
bool linesConnected(const BackgroundMap& background, const ImageSize& size, const StraightLine& a,
                    const StraightLine& b, std::int32_t minCount);

}  // namespace kestrano

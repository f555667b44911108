#pragma once
// The line detector: labels and filters the regions of the binarised buffer,
// traces candidates from sampled seeds in a fan of directions, groups them by
// region and prunes each group. size[0] is the row length, size[1] the row count.
#include <cstdint>
#include <ostream>

#include "core/detection_counts.h"
#include "core/image_size.h"
#include "core/straight_line.h"

namespace kestrano {

// Progress lines and the segments kept by each pass go to log. counts, when
// given, receives what the detector saw. Results and lines are the same for
// every thread count.
LineGroups detectLines(std::uint16_t* buffer, const ImageSize& size, std::int32_t speed,
                       std::int32_t nAng, std::int32_t lMinLine, std::int32_t minSize,
                       std::int32_t maxSize, std::ostream& log, DetectionCounts* counts = nullptr,
                       int threads = 1);

// Splits the candidates into one list per label from the smallest to the
// largest label present, keys 0 .. N - 1 without gaps.
LineGroups groupByLabel(LineList lines);

}  // namespace kestrano

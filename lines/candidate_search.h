#pragma once
// The candidate search of the detector: every grid seed of every visited
// region traced in half of nAng directions, keeping the long enough results.
#include <cstdint>
#include <ostream>
#include <vector>

#include "core/image_size.h"
#include "core/straight_line.h"

namespace kestrano {

// labels holds the label of each region to visit, in visiting order; for each
// region "r\r" is written to log. Candidates come in region, x, y,
// direction order, exactly as a scan of the whole sampled grid per region with
// traceLine would give them, whatever the number of threads.
LineList traceCandidates(const std::uint16_t* buffer, const ImageSize& size, std::int32_t speed,
                         std::int32_t nAng, std::int32_t lMinLine,
                         const std::vector<std::uint32_t>& labels, std::ostream& log,
                         int threads = 1);

}  // namespace kestrano

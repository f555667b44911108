#pragma once
// Percentile contrast stretch and binarisation, both in place on the buffer.
#include <cstdint>
#include <ostream>

#include "core/grey_range.h"
#include "core/histogram.h"
#include "core/image_size.h"

namespace kestrano {

// Largest and smallest pixel value (0 and 65535 for an empty buffer).
void minMaxPixels(const std::uint16_t* pixels, const ImageSize& size, std::int32_t& largest,
                  std::int32_t& smallest);

// One bin per grey level from 0 to the largest value present.
Histogram buildHistogram(const std::uint16_t* pixels, const ImageSize& size);

// Maps the grey levels between the lower and upper percentile cut linearly onto
// outMin..outMax; writes "MIN CDF: " and "MAX CDF: " to log. Returns the two
// limits.
GreyRange stretchContrast(std::uint16_t* pixels, const ImageSize& size, std::int32_t outMin,
                          std::int32_t outMax, std::int32_t percent, std::ostream& log);

// Pixels above the threshold become the largest value, the others the
// smallest; writes "MAX MIN " to log. Returns the smallest and largest value.
GreyRange applyThreshold(std::uint16_t* pixels, const ImageSize& size, std::int32_t threshold,
                         std::ostream& log);

}  // namespace kestrano

#pragma once
// The gradient filter in one streaming pass: Gaussian smoothing over a w x w
// window with replicated borders, central (one-sided at the ends) differences
// of the smoothed image along rows and columns, and their magnitude truncated
// to pixels. Only a few rows are held at a time, never whole-image matrices.
#include <cstdint>
#include <vector>

#include "core/image_size.h"

namespace kestrano {

// The w x w Gaussian of spread sigma, normalised, row after row. For even w
// the coordinates run from -h to w - 1 - h with h = (w - 1) / 2.
std::vector<double> gaussianWeights(std::int32_t w, double sigma);

// Replaces the size[0] x size[1] buffer with its gradient magnitude. Rows are
// split over `threads`; the result is the same for every count.
void gradientInPlace(std::uint16_t* pixels, const ImageSize& size, std::int32_t w, std::int32_t s,
                     int threads);

}  // namespace kestrano

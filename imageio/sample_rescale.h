#pragma once
// Samples that do not fit 16 bits unsigned (32-bit integers, signed values,
// floats) become 16-bit values by one linear map of their range.
#include <cstdint>
#include <utility>
#include <vector>

namespace kestrano {

// Maps the finite values' min..max linearly onto 0..65535, rounding to the
// nearest; NaN and -inf become 0, +inf 65535. When every finite value is the
// same, they all become 0. Returns the min and max used (0, 0 without any
// finite value).
std::pair<double, double> rescaleToSixteenBits(const std::vector<double>& values, std::uint16_t* out);

}  // namespace kestrano

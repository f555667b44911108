#pragma once
// Conversions between the flat 16-bit pixel buffer, work matrices and
// floating values. Floating values become pixels by truncation toward zero to
// a 64-bit integer whose low 16 bits are kept: no rounding, no clamping.
#include <cstdint>
#include <vector>

#include "core/image_size.h"
#include "core/numeric.h"
#include "preprocess/matrix.h"

namespace kestrano {

// New size[0] x size[1] matrix holding the buffer, row after row.
Matrix<std::uint16_t> pixelsToMatrix(const std::uint16_t* pixels, const ImageSize& size);

// New array of count pixels, each value converted with truncToPixel.
std::vector<std::uint16_t> floatToPixels(const float* values, std::int32_t count);

}  // namespace kestrano

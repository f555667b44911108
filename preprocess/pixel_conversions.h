#pragma once
// Conversions between the flat 16-bit pixel buffer, work matrices and
// floating values. Floating values become pixels by truncation toward zero to
// a 64-bit integer whose low 16 bits are kept: no rounding, no clamping.
#include <cstdint>
#include <vector>

#include "plugin/image_size.h"
#include "preprocess/matrix.h"

// Truncates toward zero to 64 bits and keeps the low 16 bits. Not-a-number
// and magnitudes of 2^63 or more give 0 (the x86 "integer indefinite" value).
std::uint16_t truncToPixel(double value);

// Truncates toward zero to a signed 32-bit integer. Not-a-number and values
// outside the 32-bit range give INT32_MIN, as the x86 conversion instruction
// does, instead of undefined behaviour.
std::int32_t truncToInt32(double value);

// New size[0] x size[1] matrix holding the buffer, row after row.
Matrix<std::uint16_t> pixelsToMatrix(const std::uint16_t* pixels, const ImageSize& size);

// New array of count pixels, each value converted with truncToPixel.
std::vector<std::uint16_t> floatToPixels(const float* values, std::int32_t count);

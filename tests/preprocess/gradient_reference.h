#pragma once
// The gradient filter written out step by step on work matrices: the
// reference that the streaming pass (preprocess/gradient_pass.h) must match.
#include <cstdint>

#include "core/image_size.h"
#include "preprocess/matrix.h"

namespace kestrano {

// Magnitude of the gradient of the image smoothed with a w x w Gaussian of
// spread s; a new size[0] x size[1] matrix owned by the caller.
Matrix<double> gradientFilter(const Matrix<std::uint16_t>& image, const ImageSize& size,
                              std::int32_t w, std::int32_t s);

}  // namespace kestrano

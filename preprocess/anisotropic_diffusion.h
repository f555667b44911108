#pragma once
// Eight-neighbour Perona-Malik diffusion on a float copy of the buffer.
#include <cstdint>
#include <vector>

#include "plugin/image_size.h"
#include "preprocess/matrix.h"

// Returns the diffused image as size[0] * size[1] floats; the buffer is not
// changed. Prints the five settings lines first.
std::vector<float> anisotropicDiffusion(const std::uint16_t* pixels, const ImageSize& size,
                                        std::int32_t iterations, std::int32_t option,
                                        std::int32_t kappa, double deltaT);

// Masked, normalised k x k correlation: only positive samples count, samples
// beyond the border never do; the sum is divided by the number that counted.
std::vector<float> directionalDifference(const float* image, const ImageSize& size,
                                         const Matrix<float>& kernel, std::int32_t k);

// Element-wise single-precision product.
std::vector<float> multiplyImages(const float* a, const float* b, const ImageSize& size);

// Weighted sum of the eight directional fluxes, added left to right.
std::vector<float> combineFluxes(std::int32_t dx, std::int32_t dy, double dd, const ImageSize& size,
                                 const float* fN, const float* fS, const float* fW, const float* fE,
                                 const float* fNE, const float* fSE, const float* fSW,
                                 const float* fNW);

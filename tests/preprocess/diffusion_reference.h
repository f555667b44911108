#pragma once
// The diffusion stage written out literally, one unit at a time: eight masked
// directional differences, their conduction and fluxes, the weighted sum and
// the update. The fast fused pass must match it bit for bit.
#include <array>
#include <cstdint>
#include <vector>

#include "core/image_size.h"

namespace kestrano::reference {

// 3 x 3 kernel; row 0 is the row above the pixel, column 0 the column left of it.
using Kernel3 = std::array<std::array<float, 3>, 3>;

// -1 at the centre, +1 at the neighbour of direction d (N, S, W, E, NE, SE, SW, NW).
Kernel3 directionKernel(int direction);

// Masked, normalised 3 x 3 correlation: only positive samples count, samples
// beyond the border never do; the sum is divided by the number that counted.
std::vector<float> directionalDifference(const float* image, const ImageSize& size,
                                         const Kernel3& kernel);

std::vector<float> multiplyImages(const float* a, const float* b, const ImageSize& size);

// S = wy fN + wy fS + wx fW + wx fE + wd (fNE + ...), added left to right.
std::vector<float> combineFluxes(std::int32_t dx, std::int32_t dy, double dd, const ImageSize& size,
                                 const float* fN, const float* fS, const float* fW, const float* fE,
                                 const float* fNE, const float* fSE, const float* fSW,
                                 const float* fNW);

// `iterations` steps of the whole stage built from the units above.
std::vector<float> literalDiffusion(const std::vector<std::uint16_t>& pixels, const ImageSize& size,
                                    int iterations, std::int32_t kappa, double deltaT);

}  // namespace kestrano::reference

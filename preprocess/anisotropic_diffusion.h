#pragma once
// Eight-neighbour Perona-Malik diffusion on a float copy of the buffer.
#include <cstdint>
#include <ostream>
#include <vector>

#include "core/image_size.h"

namespace kestrano {

// Returns the diffused image as size[0] * size[1] floats; the buffer is not
// changed. Writes the five settings lines to log first. Rows are split over
// `threads`; the result is the same for every count.
std::vector<float> anisotropicDiffusion(const std::uint16_t* pixels, const ImageSize& size,
                                        std::int32_t iterations, std::int32_t option,
                                        std::int32_t kappa, double deltaT, std::ostream& log,
                                        int threads = 1);

// The same, with the result truncated back into the buffer: one float image
// is the only whole-image copy.
void diffuseInPlace(std::uint16_t* pixels, const ImageSize& size, std::int32_t iterations,
                    std::int32_t option, std::int32_t kappa, double deltaT, std::ostream& log,
                    int threads);

}  // namespace kestrano

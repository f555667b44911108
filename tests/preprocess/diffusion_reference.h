#pragma once
// The diffusion stage written out literally, one pixel at a time: for each of
// the eight directions a masked 3 x 3 difference, its conduction and flux,
// then the weighted sum and the update. The stage and diffuseRows must match
// it bit for bit (every NaN counting as one pattern).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/image_size.h"

namespace kestrano::reference {

struct FluxWeights {
    float wy;  // N and S
    float wx;  // W and E
    float wd;  // the four diagonals
};

// One iteration from `in` to `out`. Direction d (N, S, W, E, NE, SE, SW, NW)
// correlates the 3 x 3 window with -1 at the centre and +1 at its neighbour:
// only positive samples count, samples beyond the border never do, and the
// sum is divided by the number that counted.
inline void diffuseOnce(const float* in, float* out, std::int32_t rows, std::int32_t cols,
                        float kf, const FluxWeights& w, double deltaT)
{
    constexpr int kRow[8] = {-1, 1, 0, 0, -1, 1, 1, -1};
    constexpr int kCol[8] = {0, 0, -1, 1, 1, 1, -1, -1};
    for (std::int32_t r = 0; r < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c) {
            float flux[8];
            for (int d = 0; d < 8; ++d) {
                float sum = 0.0f;
                std::int32_t counted = 0;
                for (int a = 0; a < 3; ++a)
                    for (int b = 0; b < 3; ++b) {
                        const std::int32_t ir = r - 1 + a, ic = c - 1 + b;
                        const float p = ir >= 0 && ir < rows && ic >= 0 && ic < cols
                                            ? in[static_cast<std::ptrdiff_t>(ir) * cols + ic]
                                            : -1.0f;
                        const float k = a == 1 && b == 1                     ? -1.0f
                                        : a == 1 + kRow[d] && b == 1 + kCol[d] ? 1.0f
                                                                               : 0.0f;
                        if (p > 0.0f) {
                            sum += p * k;
                            ++counted;
                        }
                    }
                const float difference = sum / static_cast<float>(counted);
                const float ratio = difference / kf;
                const auto conduction = static_cast<float>(std::exp(-static_cast<double>(ratio * ratio)));
                flux[d] = conduction * difference;
            }
            const float s = w.wy * flux[0] + w.wy * flux[1] + w.wx * flux[2] + w.wx * flux[3] +
                            w.wd * flux[4] + w.wd * flux[5] + w.wd * flux[6] + w.wd * flux[7];
            const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(r) * cols + c;
            out[at] = static_cast<float>(static_cast<double>(s) * deltaT + static_cast<double>(in[at]));
        }
}

// `iterations` steps of the stage on a 16-bit image, steps of 1 along the
// axes and sqrt(2) along the diagonals.
inline std::vector<float> literalDiffusion(const std::vector<std::uint16_t>& pixels,
                                           const ImageSize& size, int iterations,
                                           std::int32_t kappa, double deltaT)
{
    std::vector<float> image(pixels.begin(), pixels.end()), next(image.size());
    const double diagonal = std::sqrt(2.0);
    const FluxWeights w{1.0f, 1.0f, static_cast<float>(1.0 / (diagonal * diagonal))};
    for (int it = 0; it < iterations; ++it) {
        diffuseOnce(image.data(), next.data(), size[0], size[1], static_cast<float>(kappa), w, deltaT);
        image.swap(next);
    }
    return image;
}

}  // namespace kestrano::reference

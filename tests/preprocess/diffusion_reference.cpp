#include "preprocess/diffusion_reference.h"

#include <cmath>
#include <cstddef>

namespace kestrano::reference {

namespace {

constexpr int kNeighbourRow[8] = {-1, 1, 0, 0, -1, 1, 1, -1};
constexpr int kNeighbourCol[8] = {0, 0, -1, 1, 1, 1, -1, -1};

std::size_t elements(const ImageSize& size)
{
    return size[0] > 0 && size[1] > 0 ? static_cast<std::size_t>(size[0]) * size[1] : 0;
}

}  // namespace

Kernel3 directionKernel(int direction)
{
    Kernel3 k{};
    k[1][1] = -1.0f;
    k[1 + kNeighbourRow[direction]][1 + kNeighbourCol[direction]] = 1.0f;
    return k;
}

std::vector<float> directionalDifference(const float* image, const ImageSize& size,
                                         const Kernel3& kernel)
{
    const std::int32_t rows = size[0];
    const std::int32_t cols = size[1];
    std::vector<float> result(elements(size));
    for (std::int32_t r = 0; r < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c) {
            float sum = 0.0f;
            std::int32_t counted = 0;
            for (std::int32_t a = 0; a < 3; ++a)
                for (std::int32_t b = 0; b < 3; ++b) {
                    const std::int32_t ir = r - 1 + a;
                    const std::int32_t ic = c - 1 + b;
                    // The frame around the image holds -1: it never counts.
                    const float p = (ir >= 0 && ir < rows && ic >= 0 && ic < cols)
                                        ? image[static_cast<std::ptrdiff_t>(ir) * cols + ic]
                                        : -1.0f;
                    if (p > 0.0f) {
                        sum += p * kernel[a][b];
                        ++counted;
                    }
                }
            result[static_cast<std::size_t>(r) * cols + c] = sum / static_cast<float>(counted);
        }
    return result;
}

std::vector<float> multiplyImages(const float* a, const float* b, const ImageSize& size)
{
    std::vector<float> result(elements(size));
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = a[i] * b[i];
    return result;
}

std::vector<float> combineFluxes(std::int32_t dx, std::int32_t dy, double dd, const ImageSize& size,
                                 const float* fN, const float* fS, const float* fW, const float* fE,
                                 const float* fNE, const float* fSE, const float* fSW,
                                 const float* fNW)
{
    const auto wy = static_cast<float>(1 / (dy * dy));
    const auto wx = static_cast<float>(1 / (dx * dx));
    const auto wd = static_cast<float>(1.0 / (dd * dd));
    std::vector<float> result(elements(size));
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = wy * fN[i] + wy * fS[i] + wx * fW[i] + wx * fE[i] + wd * fNE[i] + wd * fSE[i] +
                    wd * fSW[i] + wd * fNW[i];
    return result;
}

std::vector<float> literalDiffusion(const std::vector<std::uint16_t>& pixels, const ImageSize& size,
                                    int iterations, std::int32_t kappa, double deltaT)
{
    std::vector<float> image(pixels.begin(), pixels.end());
    const auto kf = static_cast<float>(kappa);
    for (int it = 0; it < iterations; ++it) {
        std::vector<std::vector<float>> flux;
        for (int d = 0; d < 8; ++d) {
            const std::vector<float> diff =
                directionalDifference(image.data(), size, directionKernel(d));
            std::vector<float> c(diff.size());
            for (std::size_t i = 0; i < diff.size(); ++i) {
                const float ratio = diff[i] / kf;
                c[i] = static_cast<float>(std::exp(-static_cast<double>(ratio * ratio)));
            }
            flux.push_back(multiplyImages(c.data(), diff.data(), size));
        }
        const std::vector<float> sum =
            combineFluxes(1, 1, std::sqrt(2.0), size, flux[0].data(), flux[1].data(),
                          flux[2].data(), flux[3].data(), flux[4].data(), flux[5].data(),
                          flux[6].data(), flux[7].data());
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<float>(static_cast<double>(sum[i]) * deltaT +
                                          static_cast<double>(image[i]));
    }
    return image;
}

}  // namespace kestrano::reference

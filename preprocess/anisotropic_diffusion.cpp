#include "preprocess/anisotropic_diffusion.h"

#include <cmath>
#include <algorithm>
#include <cstddef>
#include <ostream>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/numeric.h"
#include "core/parallel.h"
#include "core/pixel_count.h"
#include "preprocess/diffusion_rows.h"
#include "preprocess/diffusion_terms.h"

namespace kestrano {

namespace {

// Element count of the float images.
std::size_t imageElements(const ImageSize& size)
{
    return static_cast<std::size_t>(allocatablePixelCount(size));
}

// Rows of one band handed to the kernel at a time: the old values of the
// rows around them are kept in a small window, so the image is updated in
// place and no second whole float image is needed.
constexpr std::int32_t kChunkRows = 64;

// `iterations` steps over the float image in place, rows split into one band
// per thread. Each band reads the old rows bordering it from copies taken
// before any band writes.
void diffuseInPlaceFloats(float* image, std::int32_t rows, std::int32_t cols, std::int32_t iterations,
                          float kf, const diffusion::FluxWeights& weights, double deltaT, int threads)
{
    const std::size_t width = static_cast<std::size_t>(cols);
    const std::size_t bands = std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)),
                                                    static_cast<std::size_t>(rows));
    std::vector<std::int32_t> begin(bands + 1);
    for (std::size_t b = 0; b <= bands; ++b)
        begin[b] = static_cast<std::int32_t>(partBegin(static_cast<std::size_t>(rows), bands, b));
    const auto rowOf = [&](std::int32_t r) { return image + static_cast<std::ptrdiff_t>(r) * cols; };
    // Per band: the old row above it and the old row below it.
    std::vector<std::vector<float>> above(bands, std::vector<float>(width));
    std::vector<std::vector<float>> below(bands, std::vector<float>(width));
    std::vector<std::vector<float>> windows(bands, std::vector<float>((kChunkRows + 2) * width));

    for (std::int32_t it = 0; it < iterations; ++it) {
        for (std::size_t b = 0; b < bands; ++b) {
            if (begin[b] > 0)
                std::copy(rowOf(begin[b] - 1), rowOf(begin[b]), above[b].begin());
            if (begin[b + 1] < rows)
                std::copy(rowOf(begin[b + 1]), rowOf(begin[b + 1] + 1), below[b].begin());
        }
        parallelFor(threads, bands, [&](std::size_t b) {
            float* const window = windows[b].data();
            std::int32_t previousFirst = 0;  // first row in the window of the last chunk
            for (std::int32_t a = begin[b]; a < begin[b + 1]; a += kChunkRows) {
                const std::int32_t e = std::min(a + kChunkRows, begin[b + 1]);
                // The window holds old rows first .. last.
                const std::int32_t first = a > 0 ? a - 1 : 0;
                const std::int32_t last = e < rows ? e : rows - 1;
                float* slot = window;
                if (a > 0) {
                    // Row a - 1: saved before the iteration, or kept from the last chunk.
                    if (a == begin[b]) {
                        std::copy(above[b].begin(), above[b].end(), slot);
                    } else {
                        const std::size_t from =
                            static_cast<std::size_t>(a - 1 - previousFirst) * width;
                        std::copy(window + from, window + from + width, slot);
                    }
                    slot += width;
                }
                previousFirst = first;
                // The rows of the chunk itself are not written yet.
                std::copy(rowOf(a), rowOf(e), slot);
                slot += static_cast<std::size_t>(e - a) * width;
                if (e < rows) {
                    if (e == begin[b + 1])
                        std::copy(below[b].begin(), below[b].end(), slot);
                    else
                        std::copy(rowOf(e), rowOf(e + 1), slot);
                }
                diffuseRows(window, rowOf(first), last - first + 1, cols, a - first, e - first, kf,
                            weights.wy, weights.wx, weights.wd, deltaT);
            }
        });
    }
}

}  // namespace

std::vector<float> anisotropicDiffusion(const std::uint16_t* pixels, const ImageSize& size,
                                        std::int32_t iterations, std::int32_t option,
                                        std::int32_t kappa, double deltaT, std::ostream& log,
                                        int threads)
{
    if (option != 1)
        throw std::invalid_argument("anisotropic diffusion: option " + std::to_string(option) +
                                    " is not supported; only option 1 (exponential conduction)");
    log << "Anisotropico devuelve float" << std::endl;
    log << "iteraciones " << iterations << std::endl;
    log << "opcion " << option << std::endl;
    log << "kappa " << kappa << std::endl;
    log << "delta_t " << deltaT << std::endl;

    const std::size_t n = imageElements(size);
    std::vector<float> image(n);
    for (std::size_t i = 0; i < n; ++i)
        image[i] = static_cast<float>(pixels[i]);
    if (iterations <= 0 || n == 0)
        return image;

    const diffusion::FluxWeights weights = diffusion::fluxWeights(1, 1, std::sqrt(2.0));
    diffuseInPlaceFloats(image.data(), size[0], size[1], iterations, static_cast<float>(kappa),
                         weights, deltaT, threads);
    return image;
}

void diffuseInPlace(std::uint16_t* pixels, const ImageSize& size, std::int32_t iterations,
                    std::int32_t option, std::int32_t kappa, double deltaT, std::ostream& log,
                    int threads)
{
    std::vector<float> image =
        anisotropicDiffusion(pixels, size, iterations, option, kappa, deltaT, log, threads);
    for (std::size_t i = 0; i < image.size(); ++i)
        pixels[i] = truncToPixel(static_cast<double>(image[i]));
}

}  // namespace kestrano

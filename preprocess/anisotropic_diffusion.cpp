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
#include "preprocess/diffusion_terms.h"

namespace kestrano {

namespace {

// Element count of the float images.
std::size_t imageElements(const ImageSize& size)
{
    return static_cast<std::size_t>(allocatablePixelCount(size));
}

// Window sum of a direction kernel over the masked 3 x 3 neighbourhood. Only
// the neighbour (+1) and the centre (-1) carry weight: a finite counting
// sample under a 0 weight adds +0, which changes no sum that starts at +0, and
// a sample that does not count contributes the same +0 here. An infinite
// sample (a huge time step can produce one) would add inf x 0, not a number,
// to the other directions; here it makes its own direction's flux 0 x inf
// instead, so the pixel's weighted sum is not a number either way.
inline float maskedDirectionSum(float neighbour, float centre)
{
    const float neighbourTerm = neighbour > 0.0f ? neighbour : 0.0f;
    const float centreTerm = centre > 0.0f ? -centre : 0.0f;
    return neighbourTerm + centreTerm;
}

// The q and c of a direction, kept for the pixel the direction points to: its
// opposite difference there has the same q whenever both pixels count the same
// number of samples, and c depends on q alone. Halves the exponentials.
struct Conduction {
    float q = std::numeric_limits<float>::quiet_NaN();  // NaN matches nothing
    float c = 0.0f;
};

inline float conductionFor(float q, const Conduction& seen)
{
    return q == seen.q ? seen.c : diffusion::conductionOfSquaredRatio(q);
}

// Indices into the direction table of diffusion_terms.h, in its order.
enum Direction { kN, kS, kW, kE, kNE, kSE, kSW, kNW };
static_assert(diffusion::kNeighbourRow[kS] == 1 && diffusion::kNeighbourCol[kE] == 1 &&
                  diffusion::kNeighbourRow[kNW] == -1 && diffusion::kNeighbourCol[kNW] == -1,
              "direction indices follow the direction table");

// What a row leaves for the next: the S, SE and SW conduction of each pixel.
struct Downward {
    Conduction s, se, sw;
};

// One iteration over rows [rowBegin, rowEnd), fused: for every pixel the
// eight masked differences, their conduction and flux, the weighted sum and
// the update, read from `in` only so that every difference sees the same
// state. A band's first row computes the conduction it would otherwise share
// with the row above: c depends on q alone, so any split gives the same image.
void diffuseBand(const float* in, float* out, std::int32_t rows, std::int32_t cols,
                 std::int32_t rowBegin, std::int32_t rowEnd, float kf,
                 const diffusion::FluxWeights& weights, double deltaT)
{
    using diffusion::kNeighbourCol;
    using diffusion::kNeighbourRow;
    const auto rowStart = [&](std::int32_t r) {
        return in + static_cast<std::ptrdiff_t>(r) * cols;
    };
    const Conduction unseen;
    std::vector<Downward> above(static_cast<std::size_t>(cols));
    std::vector<Downward> current(static_cast<std::size_t>(cols));
    for (std::int32_t r = rowBegin; r < rowEnd; ++r) {
        // Rows beyond the border are absent: their samples are invalid (-1).
        const float* const window[3] = {r > 0 ? rowStart(r - 1) : nullptr, rowStart(r),
                                        r + 1 < rows ? rowStart(r + 1) : nullptr};
        float* const target = out + static_cast<std::ptrdiff_t>(r) * cols;
        Conduction west;  // the E conduction of the pixel to the left
        for (std::int32_t c = 0; c < cols; ++c) {
            float sample[3][3];
            std::int32_t counted = 0;
            for (int a = 0; a < 3; ++a) {
                for (int b = 0; b < 3; ++b) {
                    const std::int32_t column = c - 1 + b;
                    const float p = (window[a] != nullptr && column >= 0 && column < cols)
                                        ? window[a][column]
                                        : -1.0f;
                    sample[a][b] = p;
                    counted += p > 0.0f ? 1 : 0;
                }
            }
            const float centre = sample[1][1];
            const auto n = static_cast<float>(counted);
            float difference[diffusion::kDirectionCount];
            float q[diffusion::kDirectionCount];
            for (int d = 0; d < diffusion::kDirectionCount; ++d) {
                const float neighbour = sample[1 + kNeighbourRow[d]][1 + kNeighbourCol[d]];
                difference[d] = maskedDirectionSum(neighbour, centre) / n;
                q[d] = diffusion::squaredRatio(difference[d], kf);
            }
            const std::size_t at = static_cast<std::size_t>(c);
            float conduction[diffusion::kDirectionCount];
            conduction[kN] = conductionFor(q[kN], above[at].s);
            conduction[kS] = diffusion::conductionOfSquaredRatio(q[kS]);
            conduction[kW] = conductionFor(q[kW], west);
            conduction[kE] = diffusion::conductionOfSquaredRatio(q[kE]);
            conduction[kNE] = conductionFor(q[kNE], c + 1 < cols ? above[at + 1].sw : unseen);
            conduction[kSE] = diffusion::conductionOfSquaredRatio(q[kSE]);
            conduction[kSW] = diffusion::conductionOfSquaredRatio(q[kSW]);
            conduction[kNW] = conductionFor(q[kNW], c > 0 ? above[at - 1].se : unseen);
            current[at] = {{q[kS], conduction[kS]},
                           {q[kSE], conduction[kSE]},
                           {q[kSW], conduction[kSW]}};
            west = {q[kE], conduction[kE]};

            float flux[diffusion::kDirectionCount];
            for (int d = 0; d < diffusion::kDirectionCount; ++d)
                flux[d] = conduction[d] * difference[d];
            const float sum =
                diffusion::weightedFluxSum(weights, flux[kN], flux[kS], flux[kW], flux[kE],
                                           flux[kNE], flux[kSE], flux[kSW], flux[kNW]);
            target[c] = diffusion::diffusedValue(centre, sum, deltaT);
        }
        above.swap(current);
    }
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
                diffuseBand(window, rowOf(first), last - first + 1, cols, a - first, e - first, kf,
                            weights, deltaT);
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

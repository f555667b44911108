#pragma once
// The fused scalar diffusion pass as the stage ran it before diffuseRows, with
// the per-element formulas it used, kept literally as the reference that
// diffuseRows must match bit for bit.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace kestrano {
namespace reference {

constexpr int kDirectionCount = 8;
constexpr std::int32_t kNeighbourRow[kDirectionCount] = {-1, 1, 0, 0, -1, 1, 1, -1};
constexpr std::int32_t kNeighbourCol[kDirectionCount] = {0, 0, -1, 1, 1, 1, -1, -1};

inline float squaredRatio(float difference, float kf)
{
    const float ratio = difference / kf;
    return ratio * ratio;
}

inline float conductionOfSquaredRatio(float q)
{
    return static_cast<float>(std::exp(-static_cast<double>(q)));
}

struct FluxWeights {
    float wy;
    float wx;
    float wd;
};

inline float weightedFluxSum(const FluxWeights& w, float fN, float fS, float fW, float fE,
                             float fNE, float fSE, float fSW, float fNW)
{
    return w.wy * fN + w.wy * fS + w.wx * fW + w.wx * fE + w.wd * fNE + w.wd * fSE + w.wd * fSW +
           w.wd * fNW;
}

inline float diffusedValue(float value, float fluxSum, double deltaT)
{
    return static_cast<float>(static_cast<double>(fluxSum) * deltaT + static_cast<double>(value));
}

inline float maskedDirectionSum(float neighbour, float centre)
{
    const float neighbourTerm = neighbour > 0.0f ? neighbour : 0.0f;
    const float centreTerm = centre > 0.0f ? -centre : 0.0f;
    return neighbourTerm + centreTerm;
}

struct Conduction {
    float q = std::numeric_limits<float>::quiet_NaN();
    float c = 0.0f;
};

inline float conductionFor(float q, const Conduction& seen)
{
    return q == seen.q ? seen.c : conductionOfSquaredRatio(q);
}

enum Direction { kN, kS, kW, kE, kNE, kSE, kSW, kNW };

struct Downward {
    Conduction s, se, sw;
};

inline void diffuseOnce(const float* in, float* out, std::int32_t rows, std::int32_t cols,
                        float kf, const FluxWeights& weights, double deltaT)
{
    const auto rowStart = [&](std::int32_t r) {
        return in + static_cast<std::ptrdiff_t>(r) * cols;
    };
    const Conduction unseen;
    std::vector<Downward> above(static_cast<std::size_t>(cols));
    std::vector<Downward> current(static_cast<std::size_t>(cols));
    for (std::int32_t r = 0; r < rows; ++r) {
        const float* const window[3] = {r > 0 ? rowStart(r - 1) : nullptr, rowStart(r),
                                        r + 1 < rows ? rowStart(r + 1) : nullptr};
        float* const target = out + static_cast<std::ptrdiff_t>(r) * cols;
        Conduction west;
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
            float difference[kDirectionCount];
            float q[kDirectionCount];
            for (int d = 0; d < kDirectionCount; ++d) {
                const float neighbour = sample[1 + kNeighbourRow[d]][1 + kNeighbourCol[d]];
                difference[d] = maskedDirectionSum(neighbour, centre) / n;
                q[d] = squaredRatio(difference[d], kf);
            }
            const std::size_t at = static_cast<std::size_t>(c);
            float conduction[kDirectionCount];
            conduction[kN] = conductionFor(q[kN], above[at].s);
            conduction[kS] = conductionOfSquaredRatio(q[kS]);
            conduction[kW] = conductionFor(q[kW], west);
            conduction[kE] = conductionOfSquaredRatio(q[kE]);
            conduction[kNE] = conductionFor(q[kNE], c + 1 < cols ? above[at + 1].sw : unseen);
            conduction[kSE] = conductionOfSquaredRatio(q[kSE]);
            conduction[kSW] = conductionOfSquaredRatio(q[kSW]);
            conduction[kNW] = conductionFor(q[kNW], c > 0 ? above[at - 1].se : unseen);
            current[at] = {{q[kS], conduction[kS]},
                           {q[kSE], conduction[kSE]},
                           {q[kSW], conduction[kSW]}};
            west = {q[kE], conduction[kE]};

            float flux[kDirectionCount];
            for (int d = 0; d < kDirectionCount; ++d)
                flux[d] = conduction[d] * difference[d];
            const float sum = weightedFluxSum(weights, flux[kN], flux[kS], flux[kW], flux[kE],
                                              flux[kNE], flux[kSE], flux[kSW], flux[kNW]);
            target[c] = diffusedValue(centre, sum, deltaT);
        }
        above.swap(current);
    }
}

}  // namespace reference
}  // namespace kestrano

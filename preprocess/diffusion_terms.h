#pragma once
// Per-element formulas of the diffusion stage, in the precision and order of
// operations that fix its results.
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace kestrano {

namespace diffusion {

// The directions in the order their fluxes are combined: N, S, W, E, NE, SE,
// SW, NW, each with the (row, column) offset of the neighbour it samples.
constexpr int kDirectionCount = 8;
constexpr std::int32_t kNeighbourRow[kDirectionCount] = {-1, 1, 0, 0, -1, 1, 1, -1};
constexpr std::int32_t kNeighbourCol[kDirectionCount] = {0, 0, -1, 1, 1, 1, -1, -1};

// Option 1: c = exp(-q) with q = (D / kappa)^2; the ratio and its square in
// single precision, the exponential in double, rounded back to float. The two
// halves are apart so that a pass can reuse c for a q it has already seen.
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
    float wy;  // N and S
    float wx;  // W and E
    float wd;  // the four diagonals
};

// 1 / (step * step) in 32-bit integers (the square wrapping as a 32-bit
// product does); a square of 0 would divide by zero, so it is refused.
inline float axisWeight(std::int32_t step)
{
    const auto squared = static_cast<std::int32_t>(static_cast<std::uint32_t>(step) *
                                                   static_cast<std::uint32_t>(step));
    if (squared == 0)
        throw std::invalid_argument(
            "diffusion flux weights: a step whose square is 0 has no weight");
    return static_cast<float>(1 / squared);
}

inline FluxWeights fluxWeights(std::int32_t dx, std::int32_t dy, double dd)
{
    FluxWeights w{};
    w.wy = axisWeight(dy);
    w.wx = axisWeight(dx);
    w.wd = static_cast<float>(1.0 / (dd * dd));
    return w;
}

// Single precision, added strictly left to right.
inline float weightedFluxSum(const FluxWeights& w, float fN, float fS, float fW, float fE,
                             float fNE, float fSE, float fSW, float fNW)
{
    return w.wy * fN + w.wy * fS + w.wx * fW + w.wx * fE + w.wd * fNE + w.wd * fSE + w.wd * fSW +
           w.wd * fNW;
}

// One explicit step: product and sum in double, rounded to float.
inline float diffusedValue(float value, float fluxSum, double deltaT)
{
    return static_cast<float>(static_cast<double>(fluxSum) * deltaT + static_cast<double>(value));
}

}  // namespace diffusion

}  // namespace kestrano

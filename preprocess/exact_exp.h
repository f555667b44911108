#pragma once
// exp(-q) rounded to float, vectorised but identical bit for bit to the
// scalar formula float(std::exp(-double(q))) that the diffusion conduction
// uses, on every instruction set the dispatcher may pick.
#include <cmath>
#include <cstddef>

namespace kestrano {

// The formula the vector code must reproduce, and falls back to.
inline float negExpScalar(float q)
{
    return static_cast<float>(std::exp(-static_cast<double>(q)));
}

// out[i] = negExpScalar(q[i]) for i < count, for any q: lanes the vector code
// cannot decide (about 4 in 10^7 of q in [0, 104), and negative q) take the
// scalar formula.
void exactNegExp(const float* q, float* out, std::size_t count);

// Name of the instruction set exactNegExp runs on now (for tools and tests).
const char* exactNegExpTarget();

}  // namespace kestrano

#pragma once
// One iteration of the eight-neighbour exponential-conduction diffusion over a
// band of rows, vectorised and bit for bit the fused scalar pass.
#include <cstdint>

namespace kestrano {

// Writes rows [rowBegin, rowEnd) of `out` from `in` (rows x cols floats, row
// by row) and reads nothing else: bands of one image may run on separate
// threads and give the image one call over all rows gives. kf is kappa, wy,
// wx and wd weigh the N/S, W/E and diagonal fluxes, deltaT is the time step.
void diffuseRows(const float* in, float* out, std::int32_t rows, std::int32_t cols,
                 std::int32_t rowBegin, std::int32_t rowEnd, float kf, float wy, float wx,
                 float wd, double deltaT);

}  // namespace kestrano

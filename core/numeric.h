#pragma once
// Floating values become integers by truncation toward zero, written out so
// that not-a-number and out-of-range values give defined results instead of
// undefined behaviour.
#include <cmath>
#include <cstdint>
#include <limits>

namespace kestrano {

// Truncates toward zero to 64 bits and keeps the low 16 bits: no rounding, no
// clamping. Not-a-number and magnitudes of 2^63 or more give 0 (the x86
// "integer indefinite" value).
inline std::uint16_t truncToPixel(double value)
{
    // 2^63: the first magnitude a signed 64-bit integer cannot hold.
    if (!(std::fabs(value) < 9223372036854775808.0))
        return 0;
    const auto whole = static_cast<std::int64_t>(value);
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(whole) & 0xFFFFu);
}

// Truncates toward zero to a signed 32-bit integer. Not-a-number and values
// outside the 32-bit range give INT32_MIN, as the x86 conversion instruction
// does.
inline std::int32_t truncToInt32(double value)
{
    // Exclusive bounds: anything that truncates into [-2^31, 2^31 - 1].
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

}  // namespace kestrano

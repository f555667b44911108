#pragma once
// Angles are fanned out and turned into degrees with pi and 2 pi taken to ten
// decimals, not the full-precision values: results depend on these literals.
namespace kestrano {

constexpr double kPi = 3.1415926536;
constexpr double kTwoPi = 6.2831853072;

// Product first, then the quotient.
inline double toDegrees(double radians) { return radians * 180.0 / kPi; }

}  // namespace kestrano

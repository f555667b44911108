#include "core/straight_line.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace kestrano {

namespace {

// tan(angle), remembered for the last angle this thread saw: the line search
// builds long runs of lines in one direction, and its "no segment" result
// has angle 1. Angles are compared bit for bit, so -0 and 0 stay apart.
double slopeOf(double angle)
{
    static const double tanOfOne = std::tan(1.0);
    if (angle == 1.0)
        return tanOfOne;
    thread_local std::uint64_t lastBits = 0;  // the bits of 0.0, whose tangent is 0.0
    thread_local double lastSlope = 0.0;
    std::uint64_t bits;
    std::memcpy(&bits, &angle, sizeof bits);
    if (bits != lastBits) {
        lastSlope = std::tan(angle);
        lastBits = bits;
    }
    return lastSlope;
}

}  // namespace

StraightLine::StraightLine(double centerX, double centerY, double length, double angle)
    : centerX_(centerX), centerY_(centerY), length_(length), angle_(angle), valid_(true)
{
    slope_ = slopeOf(angle_);
}

const LineList& groupAt(const LineGroups& groups, int key)
{
    const auto it = groups.find(key);
    if (it == groups.end())
        throw std::out_of_range("invalid map<K, T> key");
    return it->second;
}

}  // namespace kestrano

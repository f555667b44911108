#include "core/straight_line.h"

#include <cmath>
#include <stdexcept>

namespace kestrano {

StraightLine::StraightLine(double centerX, double centerY, double length, double angle)
    : centerX_(centerX), centerY_(centerY), length_(length), angle_(angle), valid_(true)
{
    slope_ = std::tan(angle_);
}

const LineList& groupAt(const LineGroups& groups, int key)
{
    const auto it = groups.find(key);
    if (it == groups.end())
        throw std::out_of_range("invalid map<K, T> key");
    return it->second;
}

}  // namespace kestrano

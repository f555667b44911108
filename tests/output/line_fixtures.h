#pragma once
// Segments for the output tests.
#include "core/straight_line.h"

using namespace kestrano;

// Only the fields the outputs read matter: start point, angle, length.
inline StraightLine segment(double x1, double y1, double angle, double length)
{
    StraightLine line(0.0, 0.0, length, angle);
    line.setX1(x1);
    line.setY1(y1);
    return line;
}

#pragma once
// The rose diagram of segment orientations. Angles are axial, so the 0..180
// degree sectors are drawn twice, opposite each other; 0 is along a row and
// angles grow clockwise on screen (toward higher rows), as in the overlay.
#include <QPainter>
#include <QRectF>
#include <array>
#include <vector>

#include "render/plot_frame.h"

namespace kestrano {

constexpr int kRoseSectors = 18;  // 10 degrees each over 0..180

// Segments per sector; any angle is first reduced to [0, 180).
std::array<int, kRoseSectors> roseCounts(const std::vector<double>& anglesDeg);

void drawAngleRose(QPainter& painter, const QRectF& area, const std::vector<double>& anglesDeg,
                   const PlotColours& colours);

}  // namespace kestrano

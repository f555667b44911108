#pragma once
// The length histogram: segments per length bin, in the physical unit.
#include <QPainter>
#include <QRectF>
#include <QString>
#include <vector>

#include "render/plot_frame.h"

namespace kestrano {

struct LengthBins {
    double width = 1.0;       // every bin [i w, (i + 1) w)
    std::vector<int> counts;  // from 0 up to the longest length
};

// Bins of a 1-2-5 width, about the square root of the count of them (5 to 30).
LengthBins lengthBins(const std::vector<double>& lengths);

void drawLengthHistogram(QPainter& painter, const QRectF& area, const std::vector<double>& lengths,
                         const QString& unit, const PlotColours& colours);

}  // namespace kestrano

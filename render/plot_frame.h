#pragma once
// What the two plots share: their colours (light for files, the palette's in
// the host), axis ticks at 1-2-5 steps and their labels.
#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <vector>

namespace kestrano {

struct PlotColours {
    QColor background{Qt::white};
    QColor text{Qt::black};
    QColor grid{210, 210, 210};
    QColor bars{70, 110, 170};
};

// The smallest 1, 2 or 5 times a power of ten that is >= value (> 0).
double niceStep(double value);

// Tick values from 0 to at least `high` at a nice step, about `target` of them.
std::vector<double> niceTicks(double high, int target);

// A tick value without trailing zeros ("0.5", "20", "1e+06").
QString tickLabel(double value);

// Fills `area` with the background and draws `title` centred at its top.
// Returns what is left below the title.
QRectF beginPlot(QPainter& painter, const QRectF& area, const QString& title, const PlotColours& colours);

}  // namespace kestrano

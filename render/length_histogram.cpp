#include "render/length_histogram.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace kestrano {

LengthBins lengthBins(const std::vector<double>& lengths)
{
    LengthBins bins;
    double longest = 0.0;
    for (double length : lengths)
        if (std::isfinite(length))
            longest = std::max(longest, length);
    if (lengths.empty() || !(longest > 0.0)) {
        bins.counts.assign(lengths.empty() ? 0 : 1, static_cast<int>(lengths.size()));
        return bins;
    }
    const int target = std::clamp(static_cast<int>(std::lround(std::sqrt(static_cast<double>(lengths.size())))), 5, 30);
    bins.width = niceStep(longest / target);
    const std::size_t count = static_cast<std::size_t>(std::floor(longest / bins.width)) + 1;
    bins.counts.assign(count, 0);
    for (double length : lengths) {
        if (!std::isfinite(length) || length < 0.0)
            continue;
        const std::size_t i = std::min(count - 1, static_cast<std::size_t>(length / bins.width));
        ++bins.counts[i];
    }
    return bins;
}

void drawLengthHistogram(QPainter& painter, const QRectF& area, const std::vector<double>& lengths,
                         const QString& unit, const PlotColours& colours)
{
    painter.save();
    const QRectF body = beginPlot(painter, area, QStringLiteral("Segment lengths (n = %1)").arg(lengths.size()), colours);
    const QFontMetricsF metrics(painter.font());
    const LengthBins bins = lengthBins(lengths);
    const int most = bins.counts.empty() ? 0 : *std::max_element(bins.counts.begin(), bins.counts.end());
    const std::vector<double> yTicks = niceTicks(std::max(most, 1), 5);
    const double xHigh = std::max<std::size_t>(bins.counts.size(), 1) * bins.width;
    const std::vector<double> xTicks = niceTicks(xHigh, 6);

    const double left = body.left() + metrics.height() * 1.4 + metrics.horizontalAdvance(tickLabel(yTicks.back())) + 6;
    const double bottom = body.bottom() - metrics.height() * 2.6;
    const QRectF plot(QPointF(left, body.top() + metrics.height() * 0.5),
                      QPointF(body.right() - metrics.horizontalAdvance(tickLabel(xTicks.back())) / 2 - 6, bottom));
    const auto xAt = [&](double v) { return plot.left() + v / xTicks.back() * plot.width(); };
    const auto yAt = [&](double v) { return plot.bottom() - v / yTicks.back() * plot.height(); };

    painter.setPen(colours.grid);
    for (double t : yTicks)
        painter.drawLine(QPointF(plot.left(), yAt(t)), QPointF(plot.right(), yAt(t)));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours.bars);
    for (std::size_t i = 0; i < bins.counts.size(); ++i)
        if (bins.counts[i] > 0)
            painter.drawRect(QRectF(QPointF(xAt(i * bins.width), yAt(bins.counts[i])),
                                    QPointF(xAt((i + 1) * bins.width), plot.bottom())));
    painter.setPen(colours.text);
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    for (double t : yTicks) {
        painter.drawLine(QPointF(plot.left() - 4, yAt(t)), QPointF(plot.left(), yAt(t)));
        painter.drawText(QRectF(body.left(), yAt(t) - metrics.height() / 2, plot.left() - body.left() - 6,
                                metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, tickLabel(t));
    }
    for (double t : xTicks) {
        painter.drawLine(QPointF(xAt(t), plot.bottom()), QPointF(xAt(t), plot.bottom() + 4));
        painter.drawText(QRectF(xAt(t) - 40, plot.bottom() + 5, 80, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         tickLabel(t));
    }
    painter.drawText(QRectF(plot.left(), bottom + metrics.height() * 1.3, plot.width(), metrics.height()),
                     Qt::AlignCenter, QStringLiteral("Length (%1)").arg(unit));
    painter.save();
    painter.translate(body.left() + metrics.height() * 0.6, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, -metrics.height() / 2, plot.height(), metrics.height()),
                     Qt::AlignCenter, QStringLiteral("Segments"));
    painter.restore();
    if (lengths.empty())
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("no segments"));
    painter.restore();
}

}  // namespace kestrano

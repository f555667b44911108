#include "render/plot_frame.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace kestrano {

double niceStep(double value)
{
    if (!(value > 0.0) || !std::isfinite(value))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= value * (1.0 - 1e-12))
            return m * power;
    return 10.0 * power;
}

std::vector<double> niceTicks(double high, int target)
{
    const double step = niceStep((high > 0.0 ? high : 1.0) / std::max(1, target));
    std::vector<double> ticks;
    for (int i = 0;; ++i) {
        ticks.push_back(i * step);
        if (i * step >= high * (1.0 - 1e-12))
            break;
    }
    return ticks;
}

QString tickLabel(double value)
{
    return QString::number(value, 'g', 6);
}

QRectF beginPlot(QPainter& painter, const QRectF& area, const QString& title, const PlotColours& colours)
{
    painter.fillRect(area, colours.background);
    // Text follows the plot's size, and a tall narrow area is sized by its width.
    const double size = std::min(area.height(), area.width() * 0.75);
    QFont font = painter.font();
    font.setPixelSize(std::max(9, static_cast<int>(size / 22)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colours.text);
    const double titleHeight = QFontMetricsF(font).height() * 1.6;
    painter.drawText(QRectF(area.left(), area.top(), area.width(), titleHeight), Qt::AlignCenter, title);
    font.setBold(false);
    font.setPixelSize(std::max(8, static_cast<int>(size / 28)));
    painter.setFont(font);
    return area.adjusted(0, titleHeight, 0, 0);
}

}  // namespace kestrano

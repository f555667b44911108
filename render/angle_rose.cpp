#include "render/angle_rose.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "render/angle_colour.h"

namespace kestrano {

std::array<int, kRoseSectors> roseCounts(const std::vector<double>& anglesDeg)
{
    std::array<int, kRoseSectors> counts{};
    for (double angle : anglesDeg) {
        if (!std::isfinite(angle))
            continue;
        double axial = std::fmod(angle, 180.0);
        if (axial < 0.0)
            axial += 180.0;
        const int sector = std::min(kRoseSectors - 1, static_cast<int>(axial / (180.0 / kRoseSectors)));
        ++counts[sector];
    }
    return counts;
}

void drawAngleRose(QPainter& painter, const QRectF& area, const std::vector<double>& anglesDeg,
                   const PlotColours& colours)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF body =
        beginPlot(painter, area, QStringLiteral("Segment orientations (n = %1)").arg(anglesDeg.size()), colours);
    const QFontMetricsF metrics(painter.font());
    const std::array<int, kRoseSectors> counts = roseCounts(anglesDeg);
    const int most = std::max(1, *std::max_element(counts.begin(), counts.end()));
    const std::vector<double> rings = niceTicks(most, 3);

    const double caption = metrics.height() * 1.4;
    const double labelRoom = metrics.horizontalAdvance(QStringLiteral("135\u00B0")) + 6;
    const double radius = std::max(10.0, std::min(body.width() / 2 - labelRoom, (body.height() - caption) / 2 - metrics.height()));
    const QPointF centre(body.center().x(), body.top() + (body.height() - caption) / 2);
    const auto circle = [&centre](double r) { return QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r); };
    const double outer = rings.back();

    // Qt's arc angles run counter-clockwise on screen, ours clockwise: negate.
    const double width = 180.0 / kRoseSectors;
    painter.setPen(QPen(colours.background, 0.75));
    for (int s = 0; s < kRoseSectors; ++s) {
        if (counts[s] == 0)
            continue;
        const double r = radius * counts[s] / outer;
        painter.setBrush(angleColour((s + 0.5) * width));
        for (double start : {s * width, s * width + 180.0}) {
            QPainterPath sector(centre);
            sector.arcTo(circle(r), -start, -width);
            sector.closeSubpath();
            painter.drawPath(sector);
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(colours.grid);
    for (double ring : rings)
        if (ring > 0.0)
            painter.drawEllipse(circle(radius * ring / outer));
    for (int a = 0; a < 180; a += 45) {
        const double radians = a * M_PI / 180.0;
        const QPointF tip(radius * std::cos(radians), radius * std::sin(radians));
        painter.drawLine(centre - tip, centre + tip);
    }
    painter.setPen(colours.text);
    for (int a = 0; a < 360; a += 45) {
        const double radians = a * M_PI / 180.0, r = radius + labelRoom / 2 + 2;
        const QPointF at = centre + QPointF(r * std::cos(radians), r * std::sin(radians) * 0.94);
        painter.drawText(QRectF(at.x() - labelRoom / 2 - 4, at.y() - metrics.height() / 2, labelRoom + 8, metrics.height()),
                         Qt::AlignCenter, QString::number(a % 180) + QChar(0x00B0));
    }
    // Ring counts along 22.5 degrees above the row, clear of the angle labels.
    const double ringDirection = -22.5 * M_PI / 180.0;
    for (double ring : rings)
        if (ring > 0.0) {
            const double r = radius * ring / outer;
            painter.drawText(QPointF(centre.x() + r * std::cos(ringDirection) + 2, centre.y() + r * std::sin(ringDirection) - 2),
                             tickLabel(ring));
        }
    painter.drawText(QRectF(body.left(), body.bottom() - caption, body.width(), caption), Qt::AlignCenter,
                     anglesDeg.empty() ? QStringLiteral("no segments")
                                       : QStringLiteral("Segments per 10\u00B0 (axial, clockwise from a row)"));
    painter.restore();
}

}  // namespace kestrano

#include "render/segment_overlay.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "render/angle_colour.h"

namespace kestrano {

namespace {

QPointF startOf(const SegmentRow& row) { return {row.x1 + 0.5, row.y1 + 0.5}; }
QPointF endOf(const SegmentRow& row) { return {row.x2 + 0.5, row.y2 + 0.5}; }

QPen cosmeticPen(const QColor& colour, double width)
{
    QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true);
    return pen;
}

bool outside(const SegmentRow& row, const QRectF& visible)
{
    if (visible.isEmpty())
        return false;
    const QRectF bounds = QRectF(startOf(row), endOf(row)).normalized().adjusted(-1, -1, 1, 1);
    return !bounds.intersects(visible);
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double squared = QPointF::dotProduct(ab, ab);
    double t = squared > 0.0 ? QPointF::dotProduct(p - a, ab) / squared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF nearest = a + t * ab;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

}  // namespace

void drawSegmentLines(QPainter& painter, const std::vector<SegmentRow>& rows, double width, int highlighted,
                      const QRectF& visible)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    std::vector<QLineF> lines;
    std::vector<const SegmentRow*> shown;
    lines.reserve(rows.size());
    shown.reserve(rows.size());
    for (const SegmentRow& row : rows) {
        if (outside(row, visible))
            continue;
        lines.emplace_back(startOf(row), endOf(row));
        shown.push_back(&row);
    }
    // Halos one by one: a translucent pen over many lines in one call costs
    // far more, as Qt then merges them into one outline.
    painter.setPen(cosmeticPen(QColor(0, 0, 0, 170), width + 2.0));
    for (const QLineF& line : lines)
        painter.drawLine(line);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        painter.setPen(cosmeticPen(angleColour(shown[i]->angleDeg), width));
        painter.drawLine(lines[i]);
    }
    if (highlighted >= 0 && highlighted < static_cast<int>(rows.size())) {
        const SegmentRow& row = rows[highlighted];
        painter.setPen(cosmeticPen(Qt::white, 2.0 * width + 4.0));
        painter.drawLine(startOf(row), endOf(row));
        painter.setPen(cosmeticPen(angleColour(row.angleDeg), 2.0 * width));
        painter.drawLine(startOf(row), endOf(row));
    }
    painter.restore();
}

int drawSegmentNumbers(QPainter& painter, const std::vector<SegmentRow>& rows, const QTransform& imageToDevice,
                       const QFont& font, const QRectF& deviceClip)
{
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&rows](std::size_t a, std::size_t b) { return rows[a].lengthPx > rows[b].lengthPx; });

    painter.save();
    painter.resetTransform();
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QFontMetricsF metrics(font);
    std::vector<QRectF> taken;
    int drawn = 0;
    for (const std::size_t i : order) {
        const SegmentRow& row = rows[i];
        const QPointF a = imageToDevice.map(startOf(row)), b = imageToDevice.map(endOf(row));
        const QString text = QString::number(row.segment);
        const QSizeF size(metrics.horizontalAdvance(text) + 4.0, metrics.height());
        if (std::hypot(b.x() - a.x(), b.y() - a.y()) < size.width())
            continue;
        const QRectF box(0.5 * (a + b) - QPointF(size.width() / 2, size.height() / 2), size);
        if (!deviceClip.contains(box) ||
            std::any_of(taken.begin(), taken.end(), [&box](const QRectF& r) { return r.intersects(box); }))
            continue;
        taken.push_back(box);
        painter.fillRect(box, QColor(0, 0, 0, 150));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, text);
        ++drawn;
    }
    painter.restore();
    return drawn;
}

void drawAngleLegend(QPainter& painter, const QRectF& box, const QColor& text, const QColor& background)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(box, box.width() * 0.06, box.width() * 0.06);

    QFont font = painter.font();
    font.setPixelSize(std::max(8, static_cast<int>(box.width() * 0.095)));
    painter.setFont(font);
    const double labelRoom = box.width() * 0.22;
    const QPointF centre = box.center();
    const double outer = box.width() / 2 - labelRoom, inner = outer * 0.45;
    // Wedges of 2 degrees: the direction a (y down, clockwise on screen) shows
    // the colour of a mod 180, as a segment at that angle does.
    for (int a = 0; a < 360; a += 2) {
        QPainterPath wedge;
        wedge.arcMoveTo(QRectF(centre.x() - inner, centre.y() - inner, 2 * inner, 2 * inner), -a);
        wedge.arcTo(QRectF(centre.x() - outer, centre.y() - outer, 2 * outer, 2 * outer), -a, -2.5);
        wedge.arcTo(QRectF(centre.x() - inner, centre.y() - inner, 2 * inner, 2 * inner), -a - 2.5, 2.5);
        wedge.closeSubpath();
        painter.setBrush(angleColour(a + 1.0));
        painter.drawPath(wedge);
    }
    painter.setPen(text);
    for (int a : {0, 45, 90, 135}) {
        const double r = outer + labelRoom * 0.5, radians = a * M_PI / 180.0;
        const QPointF at = centre + QPointF(r * std::cos(radians), r * std::sin(radians));
        const QRectF label(at - QPointF(labelRoom, labelRoom / 2), QSizeF(2 * labelRoom, labelRoom));
        painter.drawText(label, Qt::AlignCenter, QString::number(a) + QChar(0x00B0));
    }
    painter.restore();
}

int segmentNear(const std::vector<SegmentRow>& rows, QPointF point, double maxDistance)
{
    int best = -1;
    double bestDistance = maxDistance;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double d = distanceToSegment(point, startOf(rows[i]), endOf(rows[i]));
        if (d <= bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

}  // namespace kestrano

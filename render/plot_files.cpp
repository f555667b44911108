#include "render/plot_files.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include "render/angle_rose.h"
#include "render/length_histogram.h"

namespace kestrano {

PlotDrawing lengthHistogramOf(const std::vector<SegmentRow>& rows, const std::string& unit, const PlotColours& colours)
{
    std::vector<double> lengths;
    lengths.reserve(rows.size());
    for (const SegmentRow& row : rows)
        lengths.push_back(row.length);
    const QString unitName = QString::fromStdString(unit);
    return [lengths, unitName, colours](QPainter& painter, const QRectF& area) {
        drawLengthHistogram(painter, area, lengths, unitName, colours);
    };
}

PlotDrawing angleRoseOf(const std::vector<SegmentRow>& rows, const PlotColours& colours)
{
    std::vector<double> angles;
    angles.reserve(rows.size());
    for (const SegmentRow& row : rows)
        angles.push_back(row.angleDeg);
    return [angles, colours](QPainter& painter, const QRectF& area) { drawAngleRose(painter, area, angles, colours); };
}

QByteArray plotSvg(const PlotDrawing& draw, const QString& title, QSize size)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    generator.setTitle(title);
    generator.setDescription(QStringLiteral("Drawn by kestrano"));
    QPainter painter(&generator);
    draw(painter, QRectF(QPointF(0, 0), size));
    painter.end();
    return buffer.data();
}

QImage plotImage(const PlotDrawing& draw, QSize size, double scale)
{
    QImage image(size * scale, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    draw(painter, QRectF(QPointF(0, 0), size));
    painter.end();
    return image;
}

QByteArray pngBytes(const QImage& image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        return QByteArray();
    return buffer.data();
}

}  // namespace kestrano

#pragma once
// The plots as files: lengths.svg and angles.svg through QSvgGenerator, and the
// same drawings as PNG pictures for the report.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <functional>
#include <string>
#include <vector>

#include "output/segment_table.h"
#include "render/plot_frame.h"

namespace kestrano {

// Draws one plot into the given area.
using PlotDrawing = std::function<void(QPainter&, const QRectF&)>;

// The size the plots are drawn at, in SVG user units or PNG pixels.
const QSize kPlotSize{480, 360};

PlotDrawing lengthHistogramOf(const std::vector<SegmentRow>& rows, const std::string& unit,
                              const PlotColours& colours = {});
PlotDrawing angleRoseOf(const std::vector<SegmentRow>& rows, const PlotColours& colours = {});

QByteArray plotSvg(const PlotDrawing& draw, const QString& title, QSize size = kPlotSize);
// `scale` > 1 gives a sharper picture of the same layout.
QImage plotImage(const PlotDrawing& draw, QSize size = kPlotSize, double scale = 1.0);

// PNG bytes of a picture; empty when it cannot be encoded.
QByteArray pngBytes(const QImage& image);

}  // namespace kestrano

#include "host/plots_widget.h"

#include <QPainter>

#include "render/angle_rose.h"
#include "render/length_histogram.h"

using namespace kestrano;

PlotsWidget::PlotsWidget(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(240, 180);
}

void PlotsWidget::setSegments(const std::vector<SegmentRow>& rows, const QString& unit)
{
    lengths_.clear();
    angles_.clear();
    for (const SegmentRow& row : rows) {
        lengths_.push_back(row.length);
        angles_.push_back(row.angleDeg);
    }
    unit_ = unit;
    update();
}

void PlotsWidget::paintEvent(QPaintEvent*)
{
    PlotColours colours;
    colours.background = palette().color(QPalette::Base);
    colours.text = palette().color(QPalette::Text);
    colours.grid = palette().color(QPalette::Mid);
    colours.bars = palette().color(QPalette::Highlight);

    QPainter painter(this);
    painter.setFont(font());
    // Side by side in a wide dock, one above the other in a tall one.
    const QRectF all = rect();
    const bool wide = all.width() > all.height() * 1.3;
    const QRectF first = wide ? QRectF(all.left(), all.top(), all.width() / 2, all.height())
                              : QRectF(all.left(), all.top(), all.width(), all.height() / 2);
    const QRectF second = wide ? first.translated(first.width(), 0) : first.translated(0, first.height());
    drawLengthHistogram(painter, first.adjusted(2, 2, -2, -2), lengths_, unit_, colours);
    drawAngleRose(painter, second.adjusted(2, 2, -2, -2), angles_, colours);
}

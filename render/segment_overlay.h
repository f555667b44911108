#pragma once
// Segments drawn over an image, shared by overlay.png and the host window.
// Image coordinates: pixel (c, r) covers [c, c + 1) x [r, r + 1), so a painted
// end point's centre is (c + 0.5, r + 0.5). The painter's transform maps image
// coordinates to the device; pens are cosmetic, so widths are device pixels.
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <vector>

#include "output/segment_table.h"

namespace kestrano {

// Each segment in its direction's colour over a dark halo that keeps it
// visible on bright fibres; `highlighted` (an index into rows, or -1) is drawn
// wider over a white halo, last. Segments outside `visible` (image
// coordinates; empty for all) are skipped.
void drawSegmentLines(QPainter& painter, const std::vector<SegmentRow>& rows, double width,
                      int highlighted = -1, const QRectF& visible = QRectF());

// Numbers segments with their `segment` index at their midpoints, in device
// coordinates through imageToDevice, while that stays legible: a number that
// would overlap one already drawn, or that is longer than its segment, is
// left out. Longer segments are numbered first. Returns how many were drawn.
int drawSegmentNumbers(QPainter& painter, const std::vector<SegmentRow>& rows, const QTransform& imageToDevice,
                       const QFont& font, const QRectF& deviceClip);

// A colour wheel of the axial angles in `box` (device coordinates, the painter
// untransformed): the direction at angle a shows angleColour(a), as the
// segments do, with ticks at 0, 45, 90 and 135 degrees.
void drawAngleLegend(QPainter& painter, const QRectF& box, const QColor& text, const QColor& background);

// The index of the segment nearest to `point` (image coordinates) when it is
// within maxDistance image pixels, else -1.
int segmentNear(const std::vector<SegmentRow>& rows, QPointF point, double maxDistance);

}  // namespace kestrano

#pragma once
// The host's picture of an image: an 8-bit display image made once per image,
// drawn zoomed and panned with only the visible part scaled on each repaint
// (from a halved copy when zoomed out),
// and the segments drawn over it by the same code as overlay.png. Wheel zooms
// about the cursor, dragging pans, a click picks the nearest segment.
#include <QImage>
#include <QPointF>
#include <QWidget>
#include <vector>

#include "output/segment_table.h"

class ImageCanvas : public QWidget {
    Q_OBJECT

public:
    explicit ImageCanvas(QWidget* parent = nullptr);

    // `picture` is shown as it is; `segments` (may be null) must outlive their use here.
    void setPicture(const QImage& picture, bool keepView);
    void setSegments(const std::vector<kestrano::SegmentRow>* segments);
    void setSegmentsVisible(bool visible);
    void setHighlighted(int index);
    int highlighted() const { return highlighted_; }
    const QImage& picture() const { return picture_; }

    // Screen pixels per image pixel, in logical (device-independent) pixels.
    double zoom() const { return zoom_; }
    void setZoom(double zoom, QPointF anchor);  // anchor in widget coordinates stays put
    void zoomBy(double factor);
    void zoomToFit();
    void zoomToActualSize();  // one image pixel per device pixel, also on high-DPI screens
    bool fitting() const { return fitting_; }

    QPointF imagePoint(QPointF widgetPoint) const;
    QPointF widgetPoint(QPointF imagePoint) const;

signals:
    void hovered(int column, int row);  // (-1, -1) off the image
    void segmentClicked(int index);     // -1 for a click away from every segment
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void keepInView();

    QImage picture_;
    // picture_ halved again and again, made once per picture: a zoomed-out
    // view scales a level just larger than it, not the whole image.
    std::vector<QImage> smaller_;
    const std::vector<kestrano::SegmentRow>* segments_ = nullptr;
    bool segmentsVisible_ = true;
    int highlighted_ = -1;
    double zoom_ = 1.0;
    QPointF origin_;  // where the image's top-left corner is, widget coordinates
    bool fitting_ = true;
    bool dragging_ = false;
    bool dragged_ = false;
    QPointF dragStart_;
    QPointF originAtDragStart_;
};

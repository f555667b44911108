#include "host/image_canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "render/segment_overlay.h"

using namespace kestrano;

namespace {

constexpr double kMinZoom = 1.0 / 64.0;
constexpr double kMaxZoom = 64.0;
constexpr double kClickReach = 6.0;  // screen pixels between a click and the segment it picks

}  // namespace

ImageCanvas::ImageCanvas(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
}

void ImageCanvas::setPicture(const QImage& picture, bool keepView)
{
    const bool sameSize = picture.size() == picture_.size();
    picture_ = picture;
    smaller_.clear();
    for (const QImage* level = &picture_; std::min(level->width(), level->height()) >= 512;) {
        smaller_.push_back(level->scaled(level->width() / 2, level->height() / 2, Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation));
        level = &smaller_.back();
    }
    if (!keepView || !sameSize || fitting_)
        zoomToFit();
    update();
}

void ImageCanvas::setSegments(const std::vector<SegmentRow>* segments)
{
    segments_ = segments;
    highlighted_ = -1;
    update();
}

void ImageCanvas::setSegmentsVisible(bool visible)
{
    segmentsVisible_ = visible;
    update();
}

void ImageCanvas::setHighlighted(int index)
{
    if (index == highlighted_)
        return;
    highlighted_ = index;
    update();
}

QPointF ImageCanvas::imagePoint(QPointF widgetPoint) const
{
    return (widgetPoint - origin_) / zoom_;
}

QPointF ImageCanvas::widgetPoint(QPointF imagePoint) const
{
    return origin_ + imagePoint * zoom_;
}

void ImageCanvas::setZoom(double zoom, QPointF anchor)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const QPointF under = imagePoint(anchor);
    zoom_ = zoom;
    origin_ = anchor - under * zoom_;
    fitting_ = false;
    keepInView();
    update();
    emit zoomChanged(zoom_);
}

void ImageCanvas::zoomBy(double factor)
{
    setZoom(zoom_ * factor, QPointF(width() / 2.0, height() / 2.0));
}

void ImageCanvas::zoomToFit()
{
    fitting_ = true;
    if (!picture_.isNull()) {
        zoom_ = std::clamp(std::min(width() / double(picture_.width()), height() / double(picture_.height())),
                           kMinZoom, kMaxZoom);
        origin_ = QPointF((width() - picture_.width() * zoom_) / 2.0, (height() - picture_.height() * zoom_) / 2.0);
    }
    update();
    emit zoomChanged(zoom_);
}

void ImageCanvas::zoomToActualSize()
{
    setZoom(1.0 / devicePixelRatioF(), QPointF(width() / 2.0, height() / 2.0));
}

// An image larger than the window keeps part of it on screen; a smaller one is centred.
void ImageCanvas::keepInView()
{
    const QSizeF shown = QSizeF(picture_.size()) * zoom_;
    const auto place = [](double origin, double extent, double room) {
        if (extent <= room)
            return (room - extent) / 2.0;
        return std::clamp(origin, room - extent, 0.0);
    };
    origin_ = QPointF(place(origin_.x(), shown.width(), width()), place(origin_.y(), shown.height(), height()));
}

void ImageCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    if (picture_.isNull())
        return;
    // Only the image pixels under the exposed area are scaled, whatever the image size.
    const QRectF exposed = QRectF(imagePoint(event->rect().topLeft()), imagePoint(event->rect().bottomRight() + QPoint(1, 1)));
    const QRect source = exposed.toAlignedRect().intersected(picture_.rect());
    if (source.isEmpty())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1.0);
    const QRectF target(widgetPoint(source.topLeft()), QSizeF(source.size()) * zoom_);
    // The smallest level that still has a pixel for every device pixel.
    const double deviceZoom = zoom_ * devicePixelRatioF();
    const QImage* level = &picture_;
    double scale = 1.0;
    for (const QImage& smaller : smaller_) {
        if (scale / 2.0 < deviceZoom)
            break;
        level = &smaller;
        scale /= 2.0;
    }
    const QRectF levelSource(source.x() * scale, source.y() * scale, source.width() * scale, source.height() * scale);
    painter.drawImage(target, *level, levelSource);

    if (segments_ == nullptr || !segmentsVisible_ || segments_->empty())
        return;
    const QTransform toWidget = QTransform::fromTranslate(origin_.x(), origin_.y()).scale(zoom_, zoom_);
    painter.setTransform(toWidget);
        // Cosmetic pens count device pixels: widen them on a high-DPI screen.
    drawSegmentLines(painter, *segments_, std::clamp(zoom_ * 0.8, 2.0, 5.0) * devicePixelRatioF(), highlighted_, exposed);
    if (zoom_ >= 0.5) {
        QFont font = this->font();
        font.setPixelSize(11);
        drawSegmentNumbers(painter, *segments_, toWidget, font, QRectF(rect()));
    }
}

void ImageCanvas::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0.0)
        setZoom(zoom_ * std::pow(1.25, steps), event->position());
    event->accept();
}

void ImageCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton) {
        dragging_ = true;
        dragged_ = false;
        dragStart_ = event->position();
        originAtDragStart_ = origin_;
    }
}

void ImageCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = imagePoint(event->position());
    const bool inside = at.x() >= 0 && at.y() >= 0 && at.x() < picture_.width() && at.y() < picture_.height();
    emit hovered(inside ? int(std::floor(at.x())) : -1, inside ? int(std::floor(at.y())) : -1);
    if (!dragging_)
        return;
    const QPointF moved = event->position() - dragStart_;
    if (!dragged_ && moved.manhattanLength() < 4)
        return;
    dragged_ = true;
    fitting_ = false;
    setCursor(Qt::ClosedHandCursor);
    origin_ = originAtDragStart_ + moved;
    keepInView();
    update();
}

void ImageCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    dragging_ = false;
    unsetCursor();
    if (dragged_ || event->button() != Qt::LeftButton || segments_ == nullptr || !segmentsVisible_)
        return;
    const int index = segmentNear(*segments_, imagePoint(event->position()), kClickReach / zoom_);
    setHighlighted(index);
    emit segmentClicked(index);
}

void ImageCanvas::leaveEvent(QEvent*)
{
    emit hovered(-1, -1);
}

void ImageCanvas::resizeEvent(QResizeEvent*)
{
    if (fitting_)
        zoomToFit();
    else
        keepInView();
}

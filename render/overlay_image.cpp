#include "render/overlay_image.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "render/display_range.h"
#include "render/segment_overlay.h"

namespace kestrano {

int overlayScale(std::int32_t rows, std::int32_t cols)
{
    const std::int32_t shorter = std::max(1, std::min(rows, cols));
    return std::clamp((512 + shorter - 1) / shorter, 1, 8);
}

QImage overlayImage(const std::uint16_t* pixels, std::int32_t rows, std::int32_t cols,
                    const std::vector<SegmentRow>& segments)
{
    const std::size_t count = static_cast<std::size_t>(std::max(rows, 0)) * static_cast<std::size_t>(std::max(cols, 0));
    const QImage grey = greyDisplayImage(pixels, rows, cols, robustDisplayRange(pixels, count));
    if (grey.isNull())
        return QImage();
    const int k = overlayScale(rows, cols);
    QImage picture = (k == 1 ? grey : grey.scaled(cols * k, rows * k, Qt::IgnoreAspectRatio, Qt::FastTransformation))
                         .convertToFormat(QImage::Format_RGB32);
    if (picture.isNull())
        return picture;

    const int shorter = std::min(picture.width(), picture.height());
    const QTransform toPicture = QTransform::fromScale(k, k);
    QPainter painter(&picture);
    painter.setTransform(toPicture);
    drawSegmentLines(painter, segments, std::max(2.0, shorter / 500.0));

    QFont font;
    font.setPixelSize(std::clamp(shorter / 60, 11, 28));
    drawSegmentNumbers(painter, segments, toPicture, font, QRectF(picture.rect()));

    const double side = std::clamp(shorter / 5.0, 110.0, 360.0);
    const double margin = side * 0.06;
    drawAngleLegend(painter, QRectF(picture.width() - side - margin, margin, side, side), Qt::white,
                    QColor(0, 0, 0, 170));
    painter.end();
    // Painting is quickest on RGB32; the file holds plain 8-bit RGB.
    return picture.convertToFormat(QImage::Format_RGB888);
}

}  // namespace kestrano

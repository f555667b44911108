#include "host/image_view.h"

#include <QLabel>
#include <QPixmap>
#include <algorithm>
#include <cstdint>

using namespace kestrano;

QImage displayImage(const GreyImage& image)
{
    QImage picture(image.cols, image.rows, QImage::Format_Grayscale8);
    if (picture.isNull())
        return picture;
    const auto [lowest, highest] = std::minmax_element(image.pixels.begin(), image.pixels.end());
    const std::int64_t low = *lowest;
    const std::int64_t range = *highest - low;
    for (std::int32_t r = 0; r < image.rows; ++r) {
        uchar* line = picture.scanLine(r);
        const std::uint16_t* source = image.pixels.data() + static_cast<std::size_t>(r) * image.cols;
        for (std::int32_t c = 0; c < image.cols; ++c)
            line[c] = range == 0 ? 0 : static_cast<uchar>((source[c] - low) * 255 / range);
    }
    return picture;
}

ImageView::ImageView(QWidget* parent) : QScrollArea(parent), canvas(new QLabel)
{
    canvas->setAlignment(Qt::AlignCenter);
    setWidget(canvas);
    setWidgetResizable(true);
    setBackgroundRole(QPalette::Dark);
}

void ImageView::setImage(const GreyImage& image)
{
    shown = displayImage(image);
    canvas->setPixmap(QPixmap::fromImage(shown));
}

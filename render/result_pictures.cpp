#include "render/result_pictures.h"

#include <QFile>
#include <QImageWriter>
#include <stdexcept>
#include <string>

#include "render/overlay_image.h"
#include "render/plot_files.h"

namespace kestrano {

void writeOverlayPng(const std::string& path, const std::uint16_t* pixels, std::int32_t rows, std::int32_t cols,
                     const std::vector<SegmentRow>& segments)
{
    const QImage overlay = overlayImage(pixels, rows, cols, segments);
    if (overlay.isNull())
        throw std::runtime_error(path + ": not enough memory for an overlay picture of " + std::to_string(cols) +
                                 " x " + std::to_string(rows) + " pixels");
    QImageWriter writer(QFile::decodeName(path.c_str()), "png");
    // Light compression (Qt maps PNG quality 80 to zlib level 1): the default
    // takes several times as long for a 25 % smaller file.
    writer.setQuality(80);
    if (!writer.write(overlay))
        throw std::runtime_error(path + ": cannot write (" + writer.errorString().toStdString() + ")");
}

std::string lengthsSvg(const std::vector<SegmentRow>& segments, const std::string& unit)
{
    return plotSvg(lengthHistogramOf(segments, unit), QStringLiteral("Segment lengths")).toStdString();
}

std::string anglesSvg(const std::vector<SegmentRow>& segments)
{
    return plotSvg(angleRoseOf(segments), QStringLiteral("Segment orientations")).toStdString();
}

}  // namespace kestrano

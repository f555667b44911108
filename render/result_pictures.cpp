#include "render/result_pictures.h"

#include <stdexcept>
#include <string>

#include "render/overlay_image.h"
#include "render/plot_files.h"
#include "render/png_rgb_writer.h"
#include "render/report_html.h"

namespace kestrano {

std::string writeOverlayPng(const std::string& path, const std::uint16_t* pixels, std::int32_t rows,
                            std::int32_t cols, const std::vector<SegmentRow>& segments, int threads)
{
    const QImage overlay = overlayImage(pixels, rows, cols, segments);
    if (overlay.isNull())
        throw std::runtime_error(path + ": not enough memory for an overlay picture of " + std::to_string(cols) +
                                 " x " + std::to_string(rows) + " pixels");
    writeRgbPng(path, overlay, threads);
    return reportThumbnail(overlay);
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

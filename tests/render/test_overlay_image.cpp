// overlay.png's picture: colours by direction over the untouched grey input.
#include <gtest/gtest.h>

#include <vector>

#include "render/angle_colour.h"
#include "render/overlay_image.h"
#include "render/segment_overlay.h"

using namespace kestrano;

namespace {

SegmentRow segment(int number, int x1, int y1, int x2, int y2, double angle)
{
    return {number, 0, x1, y1, x2, y2, std::hypot(x2 - x1, y2 - y1), angle};
}

}  // namespace

TEST(OverlayImage, DrawsEachSegmentInItsColourOverTheGreyInput)
{
    const std::int32_t rows = 600, cols = 800;
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(rows) * cols, 1000);
    for (std::size_t i = 0; i < pixels.size(); i += 7)
        pixels[i] = 3000;
    const std::vector<std::uint16_t> before = pixels;
    const std::vector<SegmentRow> segments = {segment(1, 50, 300, 450, 300, 0.0),
                                              segment(2, 600, 100, 600, 500, 90.0)};
    const QImage overlay = overlayImage(pixels.data(), rows, cols, segments);

    EXPECT_EQ(pixels, before);
    ASSERT_EQ(overlay.format(), QImage::Format_RGB888);
    ASSERT_EQ(overlay.size(), QSize(cols, rows));
    // On each line, away from its number at the midpoint: the line's colour.
    EXPECT_EQ(overlay.pixelColor(100, 300).rgb(), angleColour(0.0).rgb());
    EXPECT_EQ(overlay.pixelColor(600, 150).rgb(), angleColour(90.0).rgb());
    EXPECT_NE(overlay.pixelColor(100, 300), overlay.pixelColor(600, 150));
    // Far from both, the input in grey.
    const QColor background = overlay.pixelColor(300, 500);
    EXPECT_EQ(background.red(), background.green());
    EXPECT_EQ(background.green(), background.blue());
}

TEST(OverlayImage, EnlargesSmallImagesByAWholeFactor)
{
    struct Case {
        std::int32_t rows, cols;
        int scale;
    };
    for (const Case& c : {Case{64, 80, 8}, Case{200, 900, 3}, Case{512, 512, 1}, Case{4096, 300, 2}})
        EXPECT_EQ(overlayScale(c.rows, c.cols), c.scale) << c.rows << " x " << c.cols;
    const std::vector<std::uint16_t> pixels(64 * 80, 5);
    EXPECT_EQ(overlayImage(pixels.data(), 64, 80, {}).size(), QSize(640, 512));
}

TEST(AngleLegend, SizesItsTextToTheLegendWhateverThePainterFont)
{
    std::vector<QImage> legends;
    for (int pixels : {6, 40}) {
        QImage canvas(240, 240, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        QFont font = painter.font();
        font.setPixelSize(pixels);
        painter.setFont(font);
        drawAngleLegend(painter, QRectF(canvas.rect()), Qt::black, Qt::white);
        painter.end();
        legends.push_back(canvas);
    }
    EXPECT_EQ(legends[0], legends[1]);
}

TEST(SegmentNumbers, LeaveOutWhatWouldOverlapOrOutgrowItsSegment)
{
    QImage canvas(400, 400, QImage::Format_RGB32);
    QPainter painter(&canvas);
    QFont font;
    font.setPixelSize(12);
    // Two long parallel segments 2 pixels apart share a midpoint region; a
    // 3-pixel segment is shorter than its number.
    const std::vector<SegmentRow> segments = {segment(1, 10, 100, 390, 100, 0.0), segment(2, 10, 102, 390, 102, 0.0),
                                              segment(3, 10, 300, 13, 300, 0.0), segment(4, 200, 150, 200, 390, 90.0)};
    EXPECT_EQ(drawSegmentNumbers(painter, segments, QTransform(), font, QRectF(canvas.rect())), 2);
}

TEST(SegmentNear, FindsTheClosestSegmentWithinReach)
{
    const std::vector<SegmentRow> segments = {segment(1, 0, 0, 100, 0, 0.0), segment(2, 0, 10, 100, 10, 0.0)};
    EXPECT_EQ(segmentNear(segments, QPointF(50, 2), 3.0), 0);
    EXPECT_EQ(segmentNear(segments, QPointF(50, 9), 3.0), 1);
    EXPECT_EQ(segmentNear(segments, QPointF(50, 5.5), 3.0), -1);
    EXPECT_EQ(segmentNear(segments, QPointF(150, 0.5), 3.0), -1);
}

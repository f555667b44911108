#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "line_fixtures.h"
#include "output/paint_lines.h"
#include "support/log_sink.h"

using namespace kestrano;

namespace {

constexpr int kX = 20, kY = 10;  // row length, rows
using Image = std::vector<std::uint16_t>;

Image withPoints(Image im, std::uint16_t value, std::vector<std::pair<int, int>> xy)
{
    for (const auto& [x, y] : xy)
        im[static_cast<std::size_t>(y * kX + x)] = value;
    return im;
}

// Paints into a copy followed by a bright guard as large again, which must
// come back untouched and never be taken for the brightest pixel.
std::string paint(Image& im, const LineGroups& lines, char outputType)
{
    LogSink out;
    Image guarded = im;
    guarded.resize(im.size() * 2, 65535);
    paintLines(guarded.data(), ImageSize{kX, kY}, lines, outputType, out);
    EXPECT_EQ(Image(guarded.begin() + kX * kY, guarded.end()), Image(kX * kY, 65535));
    im.assign(guarded.begin(), guarded.begin() + kX * kY);
    return out.text();
}

}  // namespace

TEST(PaintLines, LinesOnlyOrOverTheImageBelowTheBrightest)
{
    Image image(kX * kY, 40);
    image[33] = 255;
    const LineGroups lines = {{0, {segment(10.9, 5.2, 0.0, 3.0)}}};
    Image cleared = image, over = image;
    EXPECT_EQ(paint(cleared, lines, 'c'), "Painting SL 1\n10, 5, 0, 3\n");
    EXPECT_EQ(paint(over, lines, 'n'), "Painting SL 1\n10, 5, 0, 3\n");
    EXPECT_EQ(cleared, withPoints(Image(kX * kY, 0), 105, {{10, 5}, {11, 5}, {12, 5}}));
    EXPECT_EQ(over, withPoints(image, 105, {{10, 5}, {11, 5}, {12, 5}}));
    EXPECT_EQ(paint(over, LineGroups{}, 'c'), "Painting SL 0\n");
    EXPECT_EQ(over, Image(kX * kY, 0));
}

TEST(PaintLines, SkippedPointsAndTheSinglePrecisionWalk)
{
    Image im(kX * kY, 0);  // brightest 0: the line value wraps to 65386
    EXPECT_EQ(paint(im, {{0, {segment(0, 3, 0, 3), segment(18, 7, 0, 5), segment(4, 0, 0, 4)}},
                         {1, {segment(2, 2, 0, 3.5), segment(6, 7, 1.5707963268, 6)}}}, 'n'),
              "Painting SL 2\n0, 3, 0, 3\n18, 7, 0, 5\n4, 0, 0, 4\n2, 2, 0, 3.5\n6, 7, 1.5708, 6\n");
    // Column 0, row 0 and points beyond the row end or the last row are not
    // painted.
    EXPECT_EQ(im, withPoints(Image(kX * kY, 0), 65386,
                             {{1, 3}, {2, 3}, {18, 7}, {19, 7}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 7}, {6, 8},
                              {6, 9}}));
    // sin(float pi) = -8.74e-8: 5 + t * sa rounds back to 5 in single precision
    // for t = 1 and 2 (double would give 4.9999999) and drops below 5 at t = 3.
    Image walk(kX * kY, 255);
    EXPECT_EQ(paint(walk, {{0, {segment(10.0, 5.0, 3.1415926536, 4.0)}}}, 'c'),
              "Painting SL 1\n10, 5, 3.14159, 4\n");
    EXPECT_EQ(walk, withPoints(Image(kX * kY, 0), 105, {{10, 5}, {9, 5}, {8, 5}, {7, 4}}));
}

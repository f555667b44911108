#pragma once
// overlay.png: the input in grey (robust display range) with every segment in
// its direction's colour, numbered while legible, and a colour-wheel legend.
// Small images are enlarged by a whole factor (nearest neighbour) until the
// shorter side reaches 512 pixels, so that numbers and legend stay readable;
// pixel (c, r) of the input is then the k x k block at (k c, k r).
#include <QImage>
#include <cstdint>
#include <vector>

#include "output/segment_table.h"

namespace kestrano {

// The whole factor overlay.png enlarges an image of rows x cols by.
int overlayScale(std::int32_t rows, std::int32_t cols);

// An 8-bit RGB picture (QImage::Format_RGB888); a null image when rows x cols
// is too large for a QImage.
QImage overlayImage(const std::uint16_t* pixels, std::int32_t rows, std::int32_t cols,
                    const std::vector<SegmentRow>& segments);

}  // namespace kestrano

#pragma once
// How 16-bit grey values are shown on an 8-bit screen: a robust range that a
// few hot or dead pixels cannot stretch, mapped linearly onto 0..255. For
// display only; the pixels themselves never change.
#include <QImage>
#include <cstddef>
#include <cstdint>

namespace kestrano {

struct DisplayRange {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
};

// The 0.5 % and 99.5 % percentiles of the values (one counting pass, no sort).
DisplayRange robustDisplayRange(const std::uint16_t* pixels, std::size_t count);

// rows x cols values as Format_Grayscale8: low and below black, high and above
// white. A range with low == high shows values above it white, the rest black.
QImage greyDisplayImage(const std::uint16_t* pixels, std::int32_t rows, std::int32_t cols,
                        DisplayRange range);

}  // namespace kestrano

#include "preprocess/pixel_conversions.h"

#include <cmath>
#include <limits>

namespace kestrano {

Matrix<std::uint16_t> pixelsToMatrix(const std::uint16_t* pixels, const ImageSize& size)
{
    const std::int32_t rows = size[0];
    const std::int32_t cols = size[1];
    Matrix<std::uint16_t> m = newMatrixU16(rows, cols);
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::uint16_t* src = pixels + static_cast<std::int64_t>(r) * cols;
        for (std::int32_t c = 0; c < cols; ++c)
            m[r][c] = src[c];
    }
    return m;
}

std::vector<std::uint16_t> floatToPixels(const float* values, std::int32_t count)
{
    std::vector<std::uint16_t> out(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (std::int32_t i = 0; i < count; ++i)
        out[static_cast<std::size_t>(i)] = truncToPixel(static_cast<double>(values[i]));
    return out;
}

}  // namespace kestrano

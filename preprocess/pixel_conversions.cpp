#include "preprocess/pixel_conversions.h"

#include <cmath>
#include <limits>

std::uint16_t truncToPixel(double value)
{
    // 2^63: the first magnitude a signed 64-bit integer cannot hold.
    if (!(std::fabs(value) < 9223372036854775808.0))
        return 0;
    const auto whole = static_cast<std::int64_t>(value);
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(whole) & 0xFFFFu);
}

std::int32_t truncToInt32(double value)
{
    // Exclusive bounds: anything that truncates into [-2^31, 2^31 - 1].
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

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

#include "preprocess/gradient_reference.h"
#include "preprocess/gradient_steps.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "preprocess/pixel_conversions.h"

namespace kestrano {

namespace {

// Keeps the Gaussian's denominator and the normalising sum away from zero
// (spread 0); deliberately this literal, not the double epsilon.
constexpr double kGuard = 2.2204e-16;

}  // namespace

Matrix<double> gradientFilter(const Matrix<std::uint16_t>& image, const ImageSize& size,
                              std::int32_t w, std::int32_t s)
{
    // The one-sided end differences read two rows and two columns.
    if (size[0] < 2 || size[1] < 2)
        throw std::invalid_argument("the gradient filter needs an image of at least 2 x 2 pixels");
    Matrix<double> kernel = gaussianKernel(w, static_cast<double>(s));
    Matrix<double> result = smoothAndGradient(image, size, kernel, w);
    return result;
}

Matrix<double> gaussianKernel(std::int32_t w, double sigma)
{
    Matrix<double> kernel = newMatrixDouble(w, w);
    // For even w the coordinates run from -h to w - 1 - h: the peak is off centre.
    const std::int32_t h = (w - 1) / 2;
    const double d = (sigma * 2.0) * sigma + kGuard;
    for (std::int32_t a = 0; a < w; ++a) {
        const auto y = static_cast<double>(a - h);
        for (std::int32_t b = 0; b < w; ++b) {
            const auto x = static_cast<double>(b - h);
            kernel[a][b] = std::exp(-((x * x + y * y) / d));
        }
    }
    double sum = 0.0;
    for (std::int32_t a = 0; a < w; ++a)
        for (std::int32_t b = 0; b < w; ++b)
            sum += kernel[a][b];
    const double divisor = sum + kGuard;
    for (std::int32_t a = 0; a < w; ++a)
        for (std::int32_t b = 0; b < w; ++b)
            kernel[a][b] /= divisor;
    return kernel;
}

Matrix<double> smoothAndGradient(const Matrix<std::uint16_t>& image, const ImageSize& size,
                                 const Matrix<double>& kernel, std::int32_t w)
{
    const std::int32_t rows = size[0];
    const std::int32_t cols = size[1];
    // floor of the integer quotient taken as a float: floor(w / 2) for w >= 0.
    const std::int32_t p = w - truncToInt32(std::floor(static_cast<float>((w + 1) / 2)));
    Matrix<std::uint16_t> padded = padReplicate(image, size, p);
    Matrix<std::uint16_t> window = newMatrixU16(w, w);
    Matrix<double> smoothed = newMatrixDouble(rows, cols);
    for (std::int32_t row = p; row < p + rows; ++row)
        for (std::int32_t column = p; column < p + cols; ++column) {
            extractWindow(padded, window, w, {row, column});
            smoothed[row - p][column - p] = windowDot(window, kernel, w);
        }
    Matrix<double> result = gradientMagnitude(smoothed, size);
    return result;
}

Matrix<std::uint16_t> padReplicate(const Matrix<std::uint16_t>& image, const ImageSize& size,
                                   std::int32_t p)
{
    const std::int32_t rows = size[0];
    const std::int32_t cols = size[1];
    Matrix<std::uint16_t> padded = newZeroMatrixU16(rows + 2 * p, cols + 2 * p);
    if (rows <= 0 || cols <= 0)
        return padded;  // no border pixel to replicate
    // Every padded element takes the nearest image pixel: the interior the
    // pixel itself, the strips the border row or column, the corners the corner.
    for (std::int32_t row = 0; row < rows + 2 * p; ++row) {
        const std::uint16_t* source = image[std::clamp(row - p, 0, rows - 1)];
        for (std::int32_t column = 0; column < cols + 2 * p; ++column)
            padded[row][column] = source[std::clamp(column - p, 0, cols - 1)];
    }
    return padded;
}

void extractWindow(const Matrix<std::uint16_t>& padded, Matrix<std::uint16_t>& window,
                   std::int32_t w, std::pair<std::int32_t, std::int32_t> position)
{
    // Single precision, as the offsets were always formed; an even window
    // therefore reaches one row further up and one column further left.
    const float reach = std::floor(static_cast<float>(w) * 0.5f);
    const std::int32_t top = truncToInt32(static_cast<float>(position.first) - reach);
    const std::int32_t left = truncToInt32(static_cast<float>(position.second) - reach);
    for (std::int32_t a = 0; a < w; ++a) {
        const std::uint16_t* source = padded[top + a] + left;
        std::uint16_t* target = window[a];
        for (std::int32_t b = 0; b < w; ++b)
            target[b] = source[b];
    }
}

double windowDot(const Matrix<std::uint16_t>& window, const Matrix<double>& kernel, std::int32_t w)
{
    // Correlation: the kernel is not flipped.
    double sum = 0.0;
    for (std::int32_t a = 0; a < w; ++a)
        for (std::int32_t b = 0; b < w; ++b)
            sum += static_cast<double>(window[a][b]) * kernel[a][b];
    return sum;
}

Matrix<double> differenceAlongRows(const Matrix<double>& m, const ImageSize& size)
{
    const std::int32_t rows = size[0];
    const std::int32_t cols = size[1];
    Matrix<double> g = newMatrixDouble(rows, cols);
    for (std::int32_t r = 0; r < rows; ++r) {
        for (std::int32_t c = 0; c < cols; ++c)
            g[r][c] = 0.0;
        if (cols < 2)
            continue;  // no neighbour to difference with
        g[r][0] = m[r][1] - m[r][0];
        g[r][cols - 1] = m[r][cols - 1] - m[r][cols - 2];
        for (std::int32_t c = 1; c + 1 < cols; ++c)
            g[r][c] = (m[r][c + 1] - m[r][c - 1]) * 0.5;
    }
    return g;
}

Matrix<double> differenceAlongColumns(const Matrix<double>& m, const ImageSize& size)
{
    const std::int32_t rows = size[0];
    const std::int32_t cols = size[1];
    Matrix<double> g = newMatrixDouble(rows, cols);
    for (std::int32_t r = 0; r < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c)
            g[r][c] = 0.0;
    if (rows < 2)
        return g;  // no neighbour to difference with
    for (std::int32_t c = 0; c < cols; ++c) {
        g[0][c] = m[1][c] - m[0][c];
        g[rows - 1][c] = m[rows - 1][c] - m[rows - 2][c];
    }
    for (std::int32_t r = 1; r + 1 < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c)
            g[r][c] = (m[r + 1][c] - m[r - 1][c]) * 0.5;
    return g;
}

Matrix<double> gradientMagnitude(const Matrix<double>& m, const ImageSize& size)
{
    const std::int32_t rows = size[0];
    const std::int32_t cols = size[1];
    Matrix<double> result = newMatrixDouble(rows, cols);
    Matrix<double> gx = differenceAlongRows(m, size);
    Matrix<double> gy = differenceAlongColumns(m, size);
    for (std::int32_t r = 0; r < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c)
            result[r][c] = std::sqrt(gx[r][c] * gx[r][c] + gy[r][c] * gy[r][c]);
    return result;
}

}  // namespace kestrano

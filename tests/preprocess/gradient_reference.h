#pragma once
// The gradient filter written out literally on whole matrices: the reference
// that the streaming pass (preprocess/gradient_pass.h) must match.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "core/image_size.h"
#include "preprocess/matrix.h"

namespace kestrano {

// Keeps the Gaussian's denominator and the normalising sum away from zero
// (spread 0); deliberately this literal, not the double epsilon.
constexpr double kGaussianGuard = 2.2204e-16;

// w x w Gaussian of spread sigma, normalised. For even w the coordinates run
// from -h to w - 1 - h: the peak is off centre.
inline Matrix<double> gaussianKernel(std::int32_t w, double sigma)
{
    Matrix<double> kernel = newMatrixDouble(w, w);
    const std::int32_t h = (w - 1) / 2;
    const double d = (sigma * 2.0) * sigma + kGaussianGuard;
    double sum = 0.0;
    for (std::int32_t a = 0; a < w; ++a)
        for (std::int32_t b = 0; b < w; ++b) {
            const auto x = static_cast<double>(b - h), y = static_cast<double>(a - h);
            kernel[a][b] = std::exp(-((x * x + y * y) / d));
            sum += kernel[a][b];
        }
    for (std::int32_t a = 0; a < w; ++a)
        for (std::int32_t b = 0; b < w; ++b)
            kernel[a][b] /= sum + kGaussianGuard;
    return kernel;
}

// Magnitude of the gradient of the image smoothed with a w x w Gaussian of
// spread s; a new size[0] x size[1] matrix.
inline Matrix<double> gradientFilter(const Matrix<std::uint16_t>& image, const ImageSize& size,
                                     std::int32_t w, std::int32_t s)
{
    const std::int32_t rows = size[0], cols = size[1];
    // The one-sided end differences read two rows and two columns.
    if (rows < 2 || cols < 2)
        throw std::invalid_argument("the gradient filter needs an image of at least 2 x 2 pixels");
    const Matrix<double> kernel = gaussianKernel(w, static_cast<double>(s));
    // Correlation (the kernel not flipped) over the border replicated w / 2
    // pixels out; an even window reaches one row further up and one column
    // further left.
    Matrix<double> m = newMatrixDouble(rows, cols);
    for (std::int32_t r = 0; r < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c) {
            double sum = 0.0;
            for (std::int32_t a = 0; a < w; ++a)
                for (std::int32_t b = 0; b < w; ++b)
                    sum += static_cast<double>(image[std::clamp(r + a - w / 2, 0, rows - 1)]
                                                    [std::clamp(c + b - w / 2, 0, cols - 1)]) *
                           kernel[a][b];
            m[r][c] = sum;
        }
    // Central differences inside, one-sided (not halved) in the first and last
    // row and column.
    const auto difference = [](double before, double here, double after, bool first, bool last) {
        return first ? after - here : last ? here - before : (after - before) * 0.5;
    };
    Matrix<double> result = newMatrixDouble(rows, cols);
    for (std::int32_t r = 0; r < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c) {
            const double gx = difference(c > 0 ? m[r][c - 1] : 0.0, m[r][c],
                                         c + 1 < cols ? m[r][c + 1] : 0.0, c == 0, c == cols - 1);
            const double gy = difference(r > 0 ? m[r - 1][c] : 0.0, m[r][c],
                                         r + 1 < rows ? m[r + 1][c] : 0.0, r == 0, r == rows - 1);
            result[r][c] = std::sqrt(gx * gx + gy * gy);
        }
    return result;
}

}  // namespace kestrano

#pragma once
// The steps of the gradient filter: the Gaussian kernel, the replicated
// border, the window correlation and the two one-sided/central differences.
#include <cstdint>
#include <utility>

#include "core/image_size.h"
#include "preprocess/matrix.h"

namespace kestrano {

Matrix<double> gaussianKernel(std::int32_t w, double sigma);
Matrix<double> smoothAndGradient(const Matrix<std::uint16_t>& image, const ImageSize& size,
                                 const Matrix<double>& kernel, std::int32_t w);
Matrix<std::uint16_t> padReplicate(const Matrix<std::uint16_t>& image, const ImageSize& size,
                                   std::int32_t p);
// position = (row, column) in padded coordinates.
void extractWindow(const Matrix<std::uint16_t>& padded, Matrix<std::uint16_t>& window,
                   std::int32_t w, std::pair<std::int32_t, std::int32_t> position);
double windowDot(const Matrix<std::uint16_t>& window, const Matrix<double>& kernel, std::int32_t w);
Matrix<double> differenceAlongRows(const Matrix<double>& m, const ImageSize& size);
Matrix<double> differenceAlongColumns(const Matrix<double>& m, const ImageSize& size);
Matrix<double> gradientMagnitude(const Matrix<double>& m, const ImageSize& size);

}  // namespace kestrano

#pragma once
// Work matrices: a row table of separately allocated rows. A Matrix does not
// know its own extents; its users pass them alongside. Rows are released with
// the matrix.
#include <cstdint>
#include <memory>
#include <vector>

namespace kestrano {

template <typename T>
class Matrix {
public:
    T* operator[](std::int32_t row) { return rows_[static_cast<std::size_t>(row)].get(); }
    const T* operator[](std::int32_t row) const { return rows_[static_cast<std::size_t>(row)].get(); }

    // Row storage; only the allocators touch it directly.
    std::vector<std::unique_ptr<T[]>> rows_;
};

Matrix<std::uint16_t> newMatrixU16(std::int32_t rows, std::int32_t cols);
Matrix<std::uint16_t> newZeroMatrixU16(std::int32_t rows, std::int32_t cols);
Matrix<double> newMatrixDouble(std::int32_t rows, std::int32_t cols);

namespace matrix_detail {
template <typename T>
Matrix<T> allocate(std::int32_t rows, std::int32_t cols, bool zero);
}

}  // namespace kestrano

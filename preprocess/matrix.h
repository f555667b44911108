#pragma once
// Work matrices: a row table of separately allocated rows. A Matrix does not
// know its own extents; its users pass them alongside, as the callers of the
// allocators and of freeMatrix do.
#include <cstdint>
#include <memory>
#include <vector>

template <typename T>
class Matrix {
public:
    T* operator[](std::int32_t row) { return rows_[static_cast<std::size_t>(row)].get(); }
    const T* operator[](std::int32_t row) const { return rows_[static_cast<std::size_t>(row)].get(); }

    // Row storage; only the allocators and freeMatrix touch it directly.
    std::vector<std::unique_ptr<T[]>> rows_;
};

Matrix<std::uint16_t> newMatrixU16(std::int32_t rows, std::int32_t cols);
Matrix<std::uint16_t> newZeroMatrixU16(std::int32_t rows, std::int32_t cols);
Matrix<double> newMatrixDouble(std::int32_t rows, std::int32_t cols);

// One allocator serves every 32-bit element type (float kernels, integer tables).
template <typename T>
Matrix<T> newMatrix32(std::int32_t rows, std::int32_t cols);
template <typename T>
Matrix<T> newZeroMatrix32(std::int32_t rows, std::int32_t cols);

// Releases rows 0 .. rows - 1, then the row table. Rows beyond the count given
// are released with the table (they cannot leak).
template <typename T>
void freeMatrix(Matrix<T>& m, std::int32_t rows)
{
    for (std::int32_t r = 0; r < rows && static_cast<std::size_t>(r) < m.rows_.size(); ++r)
        m.rows_[static_cast<std::size_t>(r)].reset();
    m.rows_.clear();
    m.rows_.shrink_to_fit();
}

namespace matrix_detail {
template <typename T>
Matrix<T> allocate(std::int32_t rows, std::int32_t cols, bool zero);
}

template <typename T>
Matrix<T> newMatrix32(std::int32_t rows, std::int32_t cols)
{
    static_assert(sizeof(T) == 4, "newMatrix32 holds 32-bit elements");
    return matrix_detail::allocate<T>(rows, cols, false);
}

template <typename T>
Matrix<T> newZeroMatrix32(std::int32_t rows, std::int32_t cols)
{
    static_assert(sizeof(T) == 4, "newZeroMatrix32 holds 32-bit elements");
    return matrix_detail::allocate<T>(rows, cols, true);
}

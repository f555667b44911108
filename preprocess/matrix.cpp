#include "preprocess/matrix.h"

#include <new>

namespace kestrano {

namespace matrix_detail {

template <typename T>
Matrix<T> allocate(std::int32_t rows, std::int32_t cols, bool zero)
{
    // A negative extent cannot be satisfied: fail the way an impossible
    // allocation fails, before anything is allocated.
    if (rows < 0 || (rows > 0 && cols < 0))
        throw std::bad_alloc();
    Matrix<T> m;
    m.rows_.resize(static_cast<std::size_t>(rows));
    for (auto& row : m.rows_) {
        row.reset(new T[static_cast<std::size_t>(cols)]);
        if (zero)
            for (std::int32_t c = 0; c < cols; ++c)
                row[static_cast<std::size_t>(c)] = T(0);
    }
    return m;
}

template Matrix<std::uint16_t> allocate<std::uint16_t>(std::int32_t, std::int32_t, bool);
template Matrix<double> allocate<double>(std::int32_t, std::int32_t, bool);

}  // namespace matrix_detail

Matrix<std::uint16_t> newMatrixU16(std::int32_t rows, std::int32_t cols)
{
    return matrix_detail::allocate<std::uint16_t>(rows, cols, false);
}

Matrix<std::uint16_t> newZeroMatrixU16(std::int32_t rows, std::int32_t cols)
{
    return matrix_detail::allocate<std::uint16_t>(rows, cols, true);
}

Matrix<double> newMatrixDouble(std::int32_t rows, std::int32_t cols)
{
    return matrix_detail::allocate<double>(rows, cols, false);
}

}  // namespace kestrano

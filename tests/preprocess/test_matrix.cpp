#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "preprocess/matrix.h"
#include "preprocess/pixel_conversions.h"

using namespace kestrano;

TEST(Matrix, NegativeExtentsFailAsAllocationFailures)
{
    EXPECT_THROW(newMatrixU16(-1, 4), std::bad_alloc);
    EXPECT_THROW(newMatrixDouble(2, -3), std::bad_alloc);
    EXPECT_THROW(newZeroMatrixU16(-5, -5), std::bad_alloc);
    EXPECT_NO_THROW(newMatrixDouble(0, -3));  // no row to allocate
}

TEST(PixelConversions, FloatToPixelsTruncatesAndWrapsWithoutClamping)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {12.9f, -1.5f, 65535.996f, 65536.0f, 65537.5f, -0.7f, nan, inf, 1e30f, -70000.0f};
    // -1 and -70000 wrap modulo 65536; NaN, infinities and values beyond 2^63 give 0.
    EXPECT_EQ(floatToPixels(values, 10),
              (std::vector<std::uint16_t>{12, 65535, 65535, 0, 1, 0, 0, 0, 0,
                                          static_cast<std::uint16_t>(-70000 & 0xFFFF)}));
    EXPECT_TRUE(floatToPixels(values, 0).empty());
}

TEST(PixelConversions, TruncToInt32HasDefinedResultsEverywhere)
{
    EXPECT_EQ(truncToInt32(-2.7), -2);
    EXPECT_EQ(truncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(truncToInt32(-2147483648.9), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(truncToInt32(2147483648.0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(truncToInt32(std::nan("")), std::numeric_limits<std::int32_t>::min());
}

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>

#include "preprocess/matrix.h"
#include "preprocess/pixel_conversions.h"

TEST(Matrix, ZeroAllocatorsFillEveryElement)
{
    auto m = newZeroMatrixU16(3, 4);
    ASSERT_EQ(m.rows_.size(), 3u);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(m[r][c], 0);
    auto t = newZeroMatrix32<std::int32_t>(2, 5);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(t[r][c], 0);
}

TEST(Matrix, NegativeExtentsFailAsAllocationFailures)
{
    EXPECT_THROW(newMatrixU16(-1, 4), std::bad_alloc);
    EXPECT_THROW(newMatrixDouble(2, -3), std::bad_alloc);
    EXPECT_THROW(newZeroMatrix32<float>(-5, -5), std::bad_alloc);
    EXPECT_NO_THROW(newMatrixDouble(0, -3));  // no row to allocate
}

TEST(Matrix, FreeReleasesRowsAndTable)
{
    auto m = newMatrixDouble(4, 2);
    freeMatrix(m, 4);
    EXPECT_TRUE(m.rows_.empty());
    auto e = newMatrixU16(2, 2);
    freeMatrix(e, 0);  // only the table: the rows go with it, nothing leaks
    EXPECT_TRUE(e.rows_.empty());
}

TEST(PixelConversions, PixelsToMatrixCopiesRowAfterRow)
{
    const std::uint16_t pixels[6] = {1, 2, 3, 4, 5, 6};
    auto m = pixelsToMatrix(pixels, ImageSize{2, 3});
    EXPECT_EQ(m[0][0], 1);
    EXPECT_EQ(m[0][2], 3);
    EXPECT_EQ(m[1][0], 4);
    EXPECT_EQ(m[1][2], 6);
}

TEST(PixelConversions, FloatToPixelsTruncatesAndWrapsWithoutClamping)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {12.9f, -1.5f, 65535.996f, 65536.0f, 65537.5f, -0.7f, nan, inf, 1e30f, -70000.0f};
    const auto px = floatToPixels(values, 10);
    ASSERT_EQ(px.size(), 10u);
    EXPECT_EQ(px[0], 12);
    EXPECT_EQ(px[1], 65535);  // -1 modulo 65536
    EXPECT_EQ(px[2], 65535);
    EXPECT_EQ(px[3], 0);
    EXPECT_EQ(px[4], 1);
    EXPECT_EQ(px[5], 0);
    EXPECT_EQ(px[6], 0);
    EXPECT_EQ(px[7], 0);
    EXPECT_EQ(px[8], 0);      // beyond 2^63
    EXPECT_EQ(px[9], static_cast<std::uint16_t>(-70000 & 0xFFFF));
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

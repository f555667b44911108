// The robust display range and the grey picture made from it.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "render/display_range.h"

using namespace kestrano;

TEST(DisplayRange, IgnoresTheOutermostHalfPercentOnEachSide)
{
    // 0..999 plus a few hot pixels: the range follows the bulk.
    std::vector<std::uint16_t> values(1000);
    std::iota(values.begin(), values.end(), std::uint16_t{0});
    values[998] = values[999] = 65535;
    const DisplayRange range = robustDisplayRange(values.data(), values.size());
    EXPECT_EQ(range.low, 4);
    EXPECT_EQ(range.high, 994);

    const std::vector<std::uint16_t> flat(50, 700);
    const DisplayRange constant = robustDisplayRange(flat.data(), flat.size());
    EXPECT_EQ(constant.low, 700);
    EXPECT_EQ(constant.high, 700);
}

TEST(DisplayRange, MapsTheRangeLinearlyAndClipsOutside)
{
    struct Case {
        DisplayRange range;
        std::vector<std::uint16_t> values;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {{100, 200}, {0, 100, 150, 200, 65535}, {0, 0, 128, 255, 255}},
        {{0, 65535}, {0, 32768, 65535, 1}, {0, 128, 255, 0}},
        {{500, 500}, {499, 500, 501, 0}, {0, 0, 255, 0}},
    };
    for (const Case& c : cases) {
        const auto cols = static_cast<std::int32_t>(c.values.size());
        const QImage picture = greyDisplayImage(c.values.data(), 1, cols, c.range);
        ASSERT_EQ(picture.format(), QImage::Format_Grayscale8);
        const uchar* line = picture.constScanLine(0);
        EXPECT_EQ(std::vector<int>(line, line + cols), c.expected) << c.range.low << ".." << c.range.high;
    }
}

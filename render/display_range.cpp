#include "render/display_range.h"

#include <array>
#include <vector>

namespace kestrano {

namespace {

// The smallest value v with at least `rank` + 1 values <= v.
std::uint16_t valueAtRank(const std::vector<std::uint64_t>& counts, std::uint64_t rank)
{
    std::uint64_t seen = 0;
    for (std::size_t v = 0; v < counts.size(); ++v) {
        seen += counts[v];
        if (seen > rank)
            return static_cast<std::uint16_t>(v);
    }
    return 65535;
}

}  // namespace

DisplayRange robustDisplayRange(const std::uint16_t* pixels, std::size_t count)
{
    if (count == 0)
        return {};
    std::vector<std::uint64_t> counts(65536, 0);
    for (std::size_t i = 0; i < count; ++i)
        ++counts[pixels[i]];
    const std::uint64_t last = count - 1;
    return {valueAtRank(counts, last * 5 / 1000), valueAtRank(counts, last * 995 / 1000)};
}

QImage greyDisplayImage(const std::uint16_t* pixels, std::int32_t rows, std::int32_t cols, DisplayRange range)
{
    QImage picture(cols, rows, QImage::Format_Grayscale8);
    if (picture.isNull())
        return picture;
    // One table lookup per pixel keeps a 4096 x 4096 image quick.
    std::vector<uchar> table(65536);
    const std::int64_t low = range.low, span = std::int64_t{range.high} - range.low;
    for (std::int64_t v = 0; v < 65536; ++v) {
        if (v <= low)
            table[v] = span == 0 && v > low ? 255 : 0;
        else if (v >= low + span)
            table[v] = 255;
        else
            table[v] = static_cast<uchar>(((v - low) * 255 + span / 2) / span);
    }
    for (std::int32_t r = 0; r < rows; ++r) {
        uchar* line = picture.scanLine(r);
        const std::uint16_t* source = pixels + static_cast<std::size_t>(r) * cols;
        for (std::int32_t c = 0; c < cols; ++c)
            line[c] = table[source[c]];
    }
    return picture;
}

}  // namespace kestrano

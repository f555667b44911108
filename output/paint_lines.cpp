#include "output/paint_lines.h"

#include <cmath>
#include <ostream>

#include "core/numeric.h"
#include "core/pixel_count.h"

namespace kestrano {

namespace {

// floor of a single-precision value, as a 32-bit integer.
std::int32_t floorToInt(float v) { return truncToInt32(static_cast<double>(std::floor(v))); }

}  // namespace

void paintLines(std::uint16_t* pixels, const ImageSize& size, const LineGroups& lines,
                char outputType, std::ostream& log)
{
    const std::int32_t X = size[0];
    const std::int32_t Y = size[1];
    // A wrapped, negative pixel count means no pixels.
    const std::int32_t N = pixelCount(size);

    std::uint16_t brightest = 0;
    for (std::int32_t i = 0; i < N; ++i)
        if (pixels[i] > brightest)
            brightest = pixels[i];
    // Darker than the brightest pixel, wrapping below 150 rather than clamping.
    const auto lineValue = static_cast<std::uint16_t>(brightest - 150);

    if (outputType == 'c')
        for (std::int32_t i = 0; i < N; ++i)
            pixels[i] = 0;

    const std::uint64_t groupCount = lines.size();
    log << "Painting SL " << groupCount << std::endl;

    for (std::uint64_t g = 0; g < groupCount; ++g) {
        for (const StraightLine& line : groupAt(lines, static_cast<int>(g))) {
            const std::int32_t x0 = truncToInt32(line.x1());
            const std::int32_t y0 = truncToInt32(line.y1());
            const auto a = static_cast<float>(line.angle());
            const auto L = static_cast<float>(line.length());
            log << x0 << ", " << y0 << ", " << a << ", " << L << std::endl;
            if (!(L > 0.0f))
                continue;

            const float ca = std::cos(a);
            const float sa = std::sin(a);
            const auto fx = static_cast<float>(x0);
            const auto fy = static_cast<float>(y0);
            for (float t = 0.0f; t < L; t += 1.0f) {
                const float xStep = t * ca;
                const float yStep = t * sa;
                const std::int32_t px = floorToInt(xStep + fx);
                const std::int32_t py = floorToInt(yStep + fy);
                // Column 0 and row 0 are outside on purpose.
                if (px > 0 && px < X && py > 0 && py < Y)
                    pixels[static_cast<std::int64_t>(X) * py + px] = lineValue;
                // From 2^24 on, t + 1 == t: the walk would only repeat this point.
                if (t + 1.0f == t)
                    break;
            }
        }
    }
}

}  // namespace kestrano

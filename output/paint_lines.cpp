#include "output/paint_lines.h"

#include <cmath>
#include <ostream>

#include "core/pixel_count.h"
#include "output/painted_path.h"

namespace kestrano {

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
            const PaintedPath path(line);
            log << path.x0() << ", " << path.y0() << ", " << path.angle() << ", " << path.length()
                << std::endl;
            if (!(path.length() > 0.0f))
                continue;
            for (float t = 0.0f; t < path.length(); t += 1.0f) {
                const PixelPoint p = path.at(t);
                // Column 0 and row 0 are outside on purpose.
                if (p.x > 0 && p.x < X && p.y > 0 && p.y < Y)
                    pixels[static_cast<std::int64_t>(X) * p.y + p.x] = lineValue;
                // From 2^24 on, t + 1 == t: the walk would only repeat this point.
                if (t + 1.0f == t)
                    break;
            }
        }
    }
}

}  // namespace kestrano

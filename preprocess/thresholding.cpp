#include "preprocess/thresholding.h"

#include <cstddef>
#include <ostream>

#include "core/pixel_count.h"
#include "preprocess/pixel_conversions.h"

namespace kestrano {

namespace {

// a - b as a signed 32-bit difference (wrapping instead of undefined).
std::int32_t difference32(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace

void minMaxPixels(const std::uint16_t* pixels, const ImageSize& size, std::int32_t& largest,
                  std::int32_t& smallest)
{
    largest = 0;
    smallest = 65535;
    const std::int32_t n = pixelCount(size);
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t v = pixels[i];
        if (v > largest)
            largest = v;
        if (v < smallest)
            smallest = v;
    }
}

Histogram buildHistogram(const std::uint16_t* pixels, const ImageSize& size)
{
    std::int32_t largest = 0;
    std::int32_t smallest = 0;
    minMaxPixels(pixels, size, largest, smallest);
    Histogram histogram;
    histogram.binCount = largest + 1;
    histogram.binValues.resize(static_cast<std::size_t>(histogram.binCount));
    histogram.binCounts.assign(static_cast<std::size_t>(histogram.binCount), 0);
    for (std::int32_t i = 0; i < histogram.binCount; ++i)
        histogram.binValues[static_cast<std::size_t>(i)] = i;
    const std::int32_t n = pixelCount(size);
    for (std::int32_t i = 0; i < n; ++i)
        ++histogram.binCounts[pixels[i]];
    return histogram;
}

GreyRange stretchContrast(std::uint16_t* pixels, const ImageSize& size, std::int32_t outMin,
                          std::int32_t outMax, std::int32_t percent, std::ostream& log)
{
    const Histogram histogram = buildHistogram(pixels, size);
    const std::int32_t n = pixelCount(size);
    // N * percent in 32 bits, as the pixel count bound guarantees it fits.
    const std::int32_t cut = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) *
                                                       static_cast<std::uint32_t>(percent)) /
                             100;

    // A limit that no bin reaches falls back to outMax, for both walks.
    std::int32_t low = outMax;
    std::int32_t running = 0;
    for (std::int32_t i = 0; i < histogram.binCount; ++i) {
        running += histogram.binCounts[static_cast<std::size_t>(i)];
        if (running > cut) {
            low = histogram.binValues[static_cast<std::size_t>(i)];
            break;
        }
    }
    log << "MIN CDF: " << low << std::endl;

    // The downward walk never visits bin 0.
    std::int32_t high = outMax;
    running = 0;
    for (std::int32_t i = histogram.binCount - 1; i >= 1; --i) {
        running += histogram.binCounts[static_cast<std::size_t>(i)];
        if (running > cut) {
            high = histogram.binValues[static_cast<std::size_t>(i)];
            break;
        }
    }
    log << "MAX CDF: " << high << std::endl;

    // Coinciding limits give an infinite scale; the 0 * inf at the limit then
    // maps to not-a-number, which truncates to 0.
    const float scale = static_cast<float>(difference32(outMax, outMin)) /
                        static_cast<float>(difference32(high, low));
    const auto bottom = static_cast<std::uint16_t>(outMin);
    const auto top = static_cast<std::uint16_t>(outMax);
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t v = pixels[i];
        if (v < low) {
            pixels[i] = bottom;
        } else if (v > high) {
            pixels[i] = top;
        } else {
            const float product = static_cast<float>(difference32(v, low)) * scale;
            const float t = product + static_cast<float>(outMin);
            pixels[i] = truncToPixel(static_cast<double>(t));
        }
    }
    return GreyRange{low, high};
}

GreyRange applyThreshold(std::uint16_t* pixels, const ImageSize& size, std::int32_t threshold,
                         std::ostream& log)
{
    std::int32_t largest = 0;
    std::int32_t smallest = 0;
    minMaxPixels(pixels, size, largest, smallest);
    log << "MAX MIN " << largest << " " << smallest << std::endl;
    const auto above = static_cast<std::uint16_t>(largest);
    const auto rest = static_cast<std::uint16_t>(smallest);
    const std::int32_t n = pixelCount(size);
    for (std::int32_t i = 0; i < n; ++i)
        pixels[i] = static_cast<std::int32_t>(pixels[i]) > threshold ? above : rest;
    return GreyRange{smallest, largest};
}

}  // namespace kestrano

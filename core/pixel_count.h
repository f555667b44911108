#pragma once
// Number of pixels of an image, formed the way the stages count them.
#include <cstdint>
#include <limits>
#include <new>

#include "core/image_size.h"

namespace kestrano {

// size[0] x size[1] as a signed 32-bit product; an overflow wraps around as the
// 32-bit multiplication does instead of being undefined.
inline std::int32_t pixelCount(const ImageSize& size)
{
    const std::uint32_t wrapped =
        static_cast<std::uint32_t>(size[0]) * static_cast<std::uint32_t>(size[1]);
    return static_cast<std::int32_t>(wrapped);
}

// size[0] x size[1] as the length of a buffer about to be allocated. A negative
// extent, or more pixels than a signed 32-bit count holds, cannot be allocated:
// it fails as an allocation does.
inline std::int32_t allocatablePixelCount(const ImageSize& size)
{
    const std::int64_t n = static_cast<std::int64_t>(size[0]) * size[1];
    if (size[0] < 0 || size[1] < 0 || n > std::numeric_limits<std::int32_t>::max())
        throw std::bad_alloc();
    return static_cast<std::int32_t>(n);
}

}  // namespace kestrano

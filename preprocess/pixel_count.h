#pragma once
// Number of pixels of an image, formed the way the stages count them.
#include <cstdint>

#include "plugin/image_size.h"

// size[0] x size[1] as a signed 32-bit product; an overflow wraps around as the
// 32-bit multiplication does instead of being undefined.
inline std::int32_t pixelCount(const ImageSize& size)
{
    const std::uint32_t wrapped =
        static_cast<std::uint32_t>(size[0]) * static_cast<std::uint32_t>(size[1]);
    return static_cast<std::int32_t>(wrapped);
}

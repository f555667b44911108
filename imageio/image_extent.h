#pragma once
// The one size rule every reader applies before allocating the pixel buffer.
#include <cstdint>
#include <string>

namespace kestrano {

// Throws ImageFileError naming `path` unless both extents are positive and the
// image holds at most maxGreyImagePixels values.
void checkImageExtent(const std::string& path, std::uint64_t width, std::uint64_t height);

}  // namespace kestrano

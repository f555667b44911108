#pragma once
// Paints the detected segments into a 16-bit buffer and lists them.
// size[0] is the row length X and size[1] the row count Y.
#include <cstdint>

#include "lines/straight_line.h"
#include "plugin/image_size.h"

// outputType 'c' clears the buffer first (lines only); anything else paints
// over the existing content. Prints "Painting SL " and one line per segment.
void paintLines(std::uint16_t* pixels, const ImageSize& size, LineGroups lines, char outputType);

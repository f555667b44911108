#pragma once
// Paints the detected segments into a 16-bit buffer and lists them.
// size[0] is the row length X and size[1] the row count Y.
#include <cstdint>
#include <ostream>

#include "core/image_size.h"
#include "core/straight_line.h"

namespace kestrano {

// outputType 'c' clears the buffer first (lines only); anything else paints
// over the existing content. Writes "Painting SL " and one line per segment.
void paintLines(std::uint16_t* pixels, const ImageSize& size, const LineGroups& lines,
                char outputType, std::ostream& log);

}  // namespace kestrano

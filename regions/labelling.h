#pragma once
// 8-connected region labelling of a binary image.
// size[0] is the row count H and size[1] the row length W here.
#include <cstdint>
#include <ostream>

#include "core/image_size.h"
#include "regions/region_table.h"

namespace kestrano {

// Labels the regions of foreground value fg with fg + 1, fg + 2, ... in the
// raster order of their seeds, writes the labels into the buffer and returns
// the table of regions. Writes "entro lim" to log when a region's growth reaches the
// limit window at row H - 2, column W - 2.
RegionTable labelRegions(std::uint16_t* pixels, const ImageSize& size, std::uint16_t fg,
                         std::ostream& log);

}  // namespace kestrano

#pragma once
// Internals of the region labelling: one region's breadth-first growth and
// the assembly of the region table from the pixel list.
#include <cstdint>
#include <vector>

#include "core/image_size.h"
#include "regions/region_table.h"

namespace kestrano {

// One pixel entered into a region: label, class (1 interior, 2 border), row,
// column and linear index row * W + column.
struct PixelEntry {
    std::int32_t label;
    std::int32_t pixelClass;
    std::int32_t row;
    std::int32_t column;
    std::int32_t index;
};

// Everything one labelling call collects. Entries are appended in the order
// in which pixels are reached, so each region's entries form one run that
// follows the run of the region before it.
struct PixelList {
    std::vector<PixelEntry> entries;
    // One flag per pixel, shared by all regions: a pixel reached by an earlier
    // region already carries that region's label in the working copy, so it
    // could not qualify again anyway and the flags never need clearing.
    std::vector<std::uint8_t> reached;
};

// Grows one 8-connected region breadth-first from (seedRow, seedCol) in the
// working copy, appends its entries (the seed is labelled but not entered)
// and writes label into work for the seed and every entered pixel. Stops
// early after scanning the window centred on (H - 2, W - 2), and then returns
// true (the caller reports it).
bool growRegion(std::uint16_t* work, PixelList& list, const ImageSize& size, std::int32_t seedRow,
                std::int32_t seedCol, std::uint16_t label, std::uint16_t fg);

// Class of pixel (r, c) in the working image: 1 interior, 2 border, 0 none.
std::int32_t classifyPixel(const std::uint16_t* work, const ImageSize& size, std::int32_t r,
                           std::int32_t c, std::uint16_t fg);

// The table of regionCount regions whose entries end (exclusive) at ends[k].
RegionTable buildRegionTable(std::uint16_t fg, const std::vector<PixelEntry>& list,
                             std::int32_t regionCount, const std::vector<std::int32_t>& ends);

}  // namespace kestrano

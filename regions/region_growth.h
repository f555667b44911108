#pragma once
// Internals of the region labelling: one region's breadth-first growth and
// the assembly of the region table from the pixel list.
#include <cstdint>
#include <vector>

#include "core/image_size.h"
#include "regions/region_table.h"

namespace kestrano {

// Everything one labelling call collects. Entries (linear index, with
// RegionTable::kBorderFlag on border pixels) are appended in the order in
// which pixels are reached, so each region's entries form one run that follows
// the run of the region before it.
struct PixelList {
    std::vector<std::uint32_t> entries;
    // One bit per pixel, shared by all regions: a pixel reached by an earlier
    // region already carries that region's label in the image, so it could not
    // qualify again anyway and the bits never need clearing.
    std::vector<std::uint64_t> reached;

    bool wasReached(std::int32_t p) const { return (reached[static_cast<std::size_t>(p) >> 6] >> (p & 63)) & 1u; }
    void markReached(std::int32_t p) { reached[static_cast<std::size_t>(p) >> 6] |= std::uint64_t{1} << (p & 63); }
};

// Grows one 8-connected region breadth-first from (seedRow, seedCol) in the
// image, appends its entries (the seed is labelled but not entered) and writes
// label into the image for the seed and every entered pixel once the region is
// complete. Stops early after scanning the window centred on (H - 2, W - 2),
// and then returns true (the caller reports it).
bool growRegion(std::uint16_t* image, PixelList& list, const ImageSize& size, std::int32_t seedRow,
                std::int32_t seedCol, std::uint16_t label, std::uint16_t fg);

// Class of pixel (r, c) in the image: 1 interior, 2 border, 0 none.
std::int32_t classifyPixel(const std::uint16_t* image, const ImageSize& size, std::int32_t r,
                           std::int32_t c, std::uint16_t fg);

// The table of regionCount regions whose entries end (exclusive) at ends[k];
// takes over the entries as its pixel list.
RegionTable buildRegionTable(std::uint16_t fg, std::vector<std::uint32_t> entries,
                             std::int32_t regionCount, const std::vector<std::int32_t>& ends,
                             std::int32_t rowLength);

}  // namespace kestrano

#pragma once
// Keeps the regions whose listed pixel count lies strictly between the bounds.
#include <cstdint>
#include <vector>

#include "regions/region_table.h"

// Consumes the table; prints "N lista= " and the number of regions kept.
RegionTable filterRegionsBySize(RegionTable regions, std::int32_t maxSize, std::int32_t minSize);

// The regions at the given indices, in that order; consumes the input table.
RegionTable selectRegions(RegionTable regions, std::vector<std::int32_t> indices);

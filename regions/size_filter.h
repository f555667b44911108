#pragma once
// Keeps the regions whose listed pixel count lies strictly between the bounds.
#include <cstdint>
#include <ostream>

#include "regions/region_table.h"

namespace kestrano {

// Consumes the table; writes "N lista= " and the number of regions kept.
RegionTable filterRegionsBySize(RegionTable regions, std::int32_t maxSize, std::int32_t minSize,
                                std::ostream& log);

}  // namespace kestrano

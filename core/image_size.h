#pragma once
// The image extents handed to every processing stage. size[0] is the row
// count and size[1] the row length up to line detection; the pipeline
// exchanges them before detection, and the detector, its passes and the
// painter read size[0] as the row length and size[1] as the row count.
#include <array>
#include <cstdint>

namespace kestrano {

using ImageSize = std::array<std::int32_t, 2>;

}  // namespace kestrano

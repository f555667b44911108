#pragma once
// Pruning of one region's candidates: of two connected candidates whose
// directions agree, the shorter is removed. size[0] is the row length.
#include <cstdint>
#include <ostream>

#include "core/image_size.h"
#include "core/straight_line.h"
#include "lines/background_map.h"

namespace kestrano {

LineList optimizePass0(const BackgroundMap& background, const ImageSize& size, LineList lines);
// Writes "signo: " and the sign product for every pair it compares.
LineList optimizePass1(const BackgroundMap& background, const ImageSize& size, LineList lines,
                       double angleStep, std::ostream& log);

}  // namespace kestrano

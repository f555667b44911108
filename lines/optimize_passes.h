#pragma once
// Pruning of one region's candidates: of two connected candidates whose
// directions agree, the shorter is removed. size[0] is the row length.
#include <cstdint>
#include <ostream>

#include "core/image_size.h"
#include "core/straight_line.h"
#include "lines/background_map.h"

namespace kestrano {

// Both give the same lines, and pass 1 the same printed lines, on any number
// of threads; more than one pays only for a region with many candidates.
LineList optimizePass0(const BackgroundMap& background, const ImageSize& size, LineList lines, int threads = 1);
// Writes "signo: " and the sign product for every pair it compares.
LineList optimizePass1(const BackgroundMap& background, const ImageSize& size, LineList lines,
                       double angleStep, std::ostream& log, int threads = 1);

}  // namespace kestrano

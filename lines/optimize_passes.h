#pragma once
// Pruning of one region's candidates: of two connected candidates whose
// directions agree, the shorter is removed. size[0] is the row length.
#include <cstdint>

#include "lines/straight_line.h"
#include "plugin/image_size.h"

LineList optimizePass0(const std::uint16_t* buffer, const ImageSize& size, LineList lines);
// Prints "signo: " and the sign product for every pair it compares.
LineList optimizePass1(const std::uint16_t* buffer, const ImageSize& size, LineList lines,
                       double angleStep);

bool linesConnected(const std::uint16_t* buffer, const ImageSize& size, const StraightLine& a,
                    const StraightLine& b, std::int32_t minCount);
bool backgroundBetween(const std::uint16_t* buffer, const ImageSize& size, double ax, double ay,
                       double bx, double by, std::int32_t minCount);
bool isBackgroundPixel(const std::uint16_t* buffer, const ImageSize& size, std::int32_t x,
                       std::int32_t y);

#pragma once
// One row per detected segment, in the order of the data files (groups in
// ascending number, each in list order), with what an analyst needs: where the
// segment lies as painted, its length in pixels and in the physical unit, its
// angle in degrees and whether it touches the image border.
#include <cstdint>
#include <vector>

#include "core/pixel_scale.h"
#include "core/straight_line.h"

namespace kestrano {

struct SegmentRow {
    std::int32_t segment = 0;  // 1, 2, ...: row k is line k + 1 of dataLen.dat
    std::uint32_t label = 0;   // the region the segment was traced in
    std::int32_t x1 = 0;       // first painted pixel (column, row)
    std::int32_t y1 = 0;
    std::int32_t x2 = 0;       // last painted pixel
    std::int32_t y2 = 0;
    double lengthPx = 0.0;     // as in dataLen.dat, full precision
    double angleDeg = 0.0;     // as in dataAng.dat, full precision; 0 along a row,
                               // growing toward higher rows
    double length = 0.0;       // in scale.unit (pixels when no scale is known)
    bool touchesBorder = false;
};

// An end point within this many pixels of an image edge touches the border.
constexpr std::int32_t kBorderMargin = 2;

// rows x cols is the image the segments were found in.
std::vector<SegmentRow> segmentRows(const LineGroups& lines, std::int32_t rows, std::int32_t cols,
                                    const PixelScale& scale);

}  // namespace kestrano

#pragma once
// Summary statistics of one image's segments, for the batch table.
#include <cstdint>
#include <vector>

#include "output/segment_table.h"

namespace kestrano {

struct SegmentSummary {
    std::int32_t segments = 0;
    double totalLength = 0.0;   // physical unit (pixels when none is known)
    double meanLength = 0.0;    // 0 without segments
    double medianLength = 0.0;
    // Axial statistics: a segment at 10 degrees and one at 190 are the same
    // line, so angles are doubled, averaged as unit vectors, and halved.
    double meanAngleDeg = 0.0;  // in [0, 180)
    double alignment = 0.0;     // length of the mean doubled-angle vector: 0 isotropic, 1 parallel
    std::int32_t borderSegments = 0;
};

SegmentSummary summarise(const std::vector<SegmentRow>& rows);

}  // namespace kestrano

#pragma once
// Warnings about a run whose numbers deserve a second look, with the likely
// reason read from what the run saw: no segment at all, a result dominated by
// the image frame, regions the detector skipped.
#include <string>
#include <vector>

#include "core/kestrano.h"
#include "output/segment_table.h"

namespace kestrano {

std::vector<std::string> runWarnings(const RunResult& result, const std::vector<SegmentRow>& rows);

}  // namespace kestrano

#pragma once
// The report line written for each line that survives a pruning pass.
#include <ostream>

#include "core/straight_line.h"

namespace kestrano {

// label, length, distance of the midpoint from the origin, angle in degrees and
// slope, separated by ", ", in the stream's current format, then std::endl.
void writeLineReport(std::ostream& out, const StraightLine& line);

}  // namespace kestrano

#pragma once
// Histograms of the segment lengths and angles, and their text files.
#include <cstdint>
#include <ostream>
#include <string>

#include "core/histogram.h"
#include "core/straight_line.h"

namespace kestrano {

// nBins must be at least 1; otherwise std::invalid_argument.
Histogram lengthHistogram(const LineGroups& lines, std::int32_t nBins);
Histogram angleHistogram(const LineGroups& lines, std::int32_t nBins);

// Writes the bin count, then "value<TAB>count" per bin.
void writeHistogram(std::ostream& out, const Histogram& histogram);
// The same into a file, created or emptied; a file that cannot be opened is
// skipped silently.
void writeHistogram(const Histogram& histogram, const std::string& fileName);

}  // namespace kestrano

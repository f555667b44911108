#pragma once
// Histograms of the segment lengths and angles, and their text files.
#include <cstdint>
#include <string>

#include "lines/straight_line.h"
#include "preprocess/histogram.h"

// nBins must be at least 1; otherwise std::invalid_argument.
Histogram lengthHistogram(LineGroups lines, std::int32_t nBins);
Histogram angleHistogram(LineGroups lines, std::int32_t nBins);

// Writes the bin count, then "value<TAB>count" per bin. A file that cannot be
// opened is skipped silently.
void writeHistogram(Histogram histogram, std::string fileName);

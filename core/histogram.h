#pragma once
// A bin count and, per bin, the value the bin stands for and how many items
// fell into it. Grey levels of an image here; line lengths and angles in the
// output histograms.
#include <cstdint>
#include <vector>

namespace kestrano {

struct Histogram {
    std::int32_t binCount = 0;
    std::vector<std::int32_t> binValues;
    std::vector<std::int32_t> binCounts;
};

}  // namespace kestrano

#pragma once
#include <cstdint>

namespace kestrano {

// Two grey levels a stage worked with: the limits of the contrast stretch, or
// the smallest and largest value the threshold chose between.
struct GreyRange {
    std::int32_t low = 0;
    std::int32_t high = 0;
};

}  // namespace kestrano

#pragma once
#include <cstdint>

namespace kestrano {

// What the line detector saw on the way, for summaries and warnings.
struct DetectionCounts {
    std::int32_t labelled = 0;     // regions found by labelling
    std::int32_t tooLarge = 0;     // of those, dropped by maxSize alone
    std::int32_t kept = 0;         // regions passing the size filter
    std::int32_t visited = 0;      // regions searched (the region cap may stop short)
    std::uint64_t candidates = 0;  // candidate segments before pruning
};

}  // namespace kestrano

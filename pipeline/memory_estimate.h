#pragma once
// An upper bound of the memory one run() of the pipeline allocates at its
// peak, from the image extents and the parameters alone, so that a tool can
// refuse an image up front and say how much memory it would need.
//
// What is counted: the result image run() returns, and at each stage's peak
// what the stage holds on top of it (the diffusion's float image and row
// windows, the gradient's row rings, the labelling's pixel lists with every
// pixel taken as foreground, the line search's per-region maps, seeds and
// extents). Not counted: the caller's own pixels, and the segment lists,
// which grow with what the image shows rather than with its size (typically
// a few MiB at 4096 x 4096).
#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>

#include "core/param_list.h"
#include "core/parallel.h"
#include "pipeline/stoi_conversion.h"

namespace kestrano {

namespace memory_estimate {

// A parameter's value, or `otherwise` when it is absent or unreadable (the run
// itself would stop on an unreadable one before allocating anything).
inline std::int64_t value(const ParamList& params, const char* name, std::int64_t otherwise)
{
    const auto it = params.find(name);
    if (it == params.end())
        return otherwise;
    try {
        return stoiArgument(it->second);
    } catch (const std::exception&) {
        return otherwise;
    }
}

}  // namespace memory_estimate

inline std::uint64_t estimatedRunBytes(std::int64_t rows, std::int64_t cols, const ParamList& params,
                                       int threads = 0)
{
    using memory_estimate::value;
    if (rows <= 0 || cols <= 0)
        return 0;
    const auto n = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(cols);
    const auto width = static_cast<std::uint64_t>(cols);
    const auto t = static_cast<std::uint64_t>(workerCount(threads));
    constexpr std::uint64_t kFixed = 4u << 20;  // histograms, label tables, thread stacks in use

    std::uint64_t stage = 0;
    if (params.count("nIts") != 0) {
        // One float image; per band a 66-row window, two border rows and the
        // vector kernel's 19 padded row buffers.
        stage = std::max(stage, 4 * n + t * (66 + 2 + 19) * (width + 64) * 4);
    }
    if (params.count("s") != 0) {
        const auto w = static_cast<std::uint64_t>(std::clamp<std::int64_t>(value(params, "w", 2), 0, 1 << 20));
        // Kernel; per band three smoothed rows, a padded row, two difference
        // rows, pending output rows and copied border rows.
        stage = std::max(stage, w * w * 8 + t * ((3 + 1 + 2) * (width + w) * 8 + 2 * (w + 4) * width * 2));
    }
    // Contrast stretch and threshold: a histogram only.
    if (params.count("dl") != 0) {
        const auto speed = static_cast<std::uint64_t>(std::max<std::int64_t>(value(params, "speed", 2), 1));
        const std::uint64_t seeds = (rows / speed + 1) * (cols / speed + 1);
        // Labelling: one entry of 4 bytes per pixel at most, one bit per pixel.
        const std::uint64_t labelling = 4 * n + n / 8 + 1;
        // Search: the maps in use (one byte per 8 x 8 block of a bounding
        // box), seeds (room for twice their number), row extents (at most
        // one row per foreground pixel).
        const std::uint64_t blocks = (static_cast<std::uint64_t>(rows) / 8 + 2) * (width / 8 + 2);
        const std::uint64_t search = t * blocks + 2 * seeds * 8 + 8 * n;
        stage = std::max({stage, labelling, search});
    }
    return 2 * n + stage + kFixed;
}

}  // namespace kestrano

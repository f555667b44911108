// The memory estimate against what a run really allocates, stage by stage, on
// one thread and on two: every malloc of the process is counted, and the peak
// during run() must stay below the estimate. For the pixel stages the estimate
// is also close: within its fixed allowance and half a byte per pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <sstream>
#include <vector>

#include "core/kestrano.h"
#include "pipeline/memory_estimate.h"
#include "core/run_settings.h"
#include "support/counting_malloc.h"

using namespace kestrano;

TEST(RunPeakMemory, TheEstimateCoversEveryStageAndStaysClose)
{
    if (!KESTRANO_COUNTING_MALLOC)
        GTEST_SKIP() << "the sanitizer owns malloc in this build";
    // Non-square, with bars across and down for the line search to follow.
    const std::int32_t rows = 1200, cols = 2000;
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(rows) * cols, 1000);
    for (std::int32_t r = 0; r < rows; ++r)
        for (std::int32_t c = 0; c < cols; ++c)
            if (r % 97 < 4 || c % 131 < 4)
                pixels[static_cast<std::size_t>(r) * cols + c] = 40000;
    const std::int32_t origin[3] = {0, 0, 0};
    ParamList all = startParamList({}, origin);
    addDialogValues(all, DialogValues{});
    all["nIts"] = "1";
    // One stage at a time: the other stages' switches are left out.
    const auto only = [&](const std::set<std::string>& kept) {
        ParamList list = all;
        for (const char* name : {"nIts", "s", "w", "th", "dl"})
            if (kept.count(name) == 0)
                list.erase(name);
        return list;
    };
    const ParamList cases[] = {only({"nIts"}), only({"s", "w"}), only({"dl"}), all};
    for (const ParamList& params : cases)
        for (const int threads : {1, 2}) {
            std::ostringstream log;
            RunOptions options;
            options.log = &log;
            options.threads = threads;
            const std::size_t before = liveBytes.load();
            peakBytes = before;
            { const RunResult result = run(pixels.data(), rows, cols, params, options); }
            const std::size_t peak = peakBytes.load() - before;
            const std::uint64_t estimate = estimatedRunBytes(rows, cols, params, threads);
            EXPECT_LE(peak, estimate) << threads << " threads, " << params.size() << " parameters";
            if (params.count("dl") == 0)
                EXPECT_LE(estimate, peak + (4u << 20) + pixels.size() / 2) << threads << " threads";
        }
}

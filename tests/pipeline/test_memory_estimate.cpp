#include <gtest/gtest.h>

#include <cstdint>

#include "core/run_settings.h"
#include "pipeline/memory_estimate.h"

using namespace kestrano;

TEST(MemoryEstimate, CoversTheWholeImageBuffersOfTheStagesThatRun)
{
    const std::int32_t origin[3] = {0, 0, 0};
    ParamList all = startParamList({}, origin);
    addDialogValues(all, DialogValues{});
    const ParamList none = startParamList({}, origin);
    const std::uint64_t n = 2048ull * 2048ull;
    // The result image alone, plus the diffusion's floats, plus the labelling's
    // entries; one core or seven changes only the per-thread rows and maps.
    EXPECT_GE(estimatedRunBytes(2048, 2048, none, 1), 2 * n);
    EXPECT_LT(estimatedRunBytes(2048, 2048, none, 1), 2 * n + (8u << 20));
    EXPECT_GE(estimatedRunBytes(2048, 2048, all, 1), 2 * n + 4 * n + n / 8);
    EXPECT_GT(estimatedRunBytes(2048, 2048, all, 7), estimatedRunBytes(2048, 2048, all, 1));
    EXPECT_EQ(estimatedRunBytes(0, 2048, all), 0u);
    // Unreadable values do not stop the estimate (the run itself refuses them).
    ParamList odd = all;
    odd["w"] = "wide";
    odd["speed"] = "-3";
    EXPECT_GE(estimatedRunBytes(64, 64, odd, 2), estimatedRunBytes(64, 64, none, 2));
}

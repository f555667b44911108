#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/run_settings.h"
#include "pipeline/memory_estimate.h"
#include "pipeline/parameter_limits.h"
#include "support/thrown_message.h"

using namespace kestrano;

TEST(ParameterLimits, ValuesThatWouldHangOrOverflowAreRefusedOnlyWhereTheyAreUsed)
{
    const std::vector<std::pair<ParamList, std::string>> cases = {
        {{{"dl", "t"}, {"nAng", "36001"}}, "nAng = 36001 is outside the accepted range (1 to 36000)"},
        {{{"dl", "t"}, {"nAng", " 40000 degrees"}}, "nAng = 40000 is outside the accepted range (1 to 36000)"},
        {{{"dl", "t"}, {"nBins", "1000001"}}, "nBins = 1000001 is outside the accepted range (1 to 1000000)"},
        {{{"nIts", "100001"}}, "nIts = 100001 is outside the accepted range (at most 100000)"},
        {{{"s", "100001"}}, "s = 100001 is outside the accepted range (-100000 to 100000)"},
        {{{"s", "1"}, {"w", "513"}}, "w = 513 is outside the accepted range (0 to 512)"},
        {{{"s", "1"}, {"w", "-1"}}, "w = -1 is outside the accepted range (0 to 512)"},
        {{{"th", "65536"}}, "th = 65536 is outside the accepted range (0 to 65535)"},
        {{{"th", "-1"}}, "th = -1 is outside the accepted range (0 to 65535)"},
        // At the limits, or read by no stage that runs: accepted.
        {{{"dl", "t"}, {"nAng", "36000"}, {"nBins", "1000000"}, {"nIts", "100000"}, {"s", "-100000"}, {"w", "512"},
          {"th", "65535"}},
         ""},
        {{{"nAng", "99999999"}, {"nBins", "2147483647"}, {"w", "-7"}}, ""},
        {{{"nIts", "-5"}, {"s", "0"}, {"w", "0"}, {"th", "0"}}, ""},
        // Left to the pipeline: what does not convert, and the lower bounds it enforces itself.
        {{{"dl", "t"}, {"nAng", "many"}, {"nIts", "99999999999"}, {"th", ""}}, ""},
        {{{"dl", "t"}, {"nAng", "0"}, {"nBins", "-3"}}, ""},
    };
    for (const auto& [params, expected] : cases)
        EXPECT_EQ(thrownMessage<std::invalid_argument>([&] { checkParameterLimits(params); }), expected) << (expected.empty() ? "accepted list refused" : expected);
}

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

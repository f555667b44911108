#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/kestrano.h"
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

// The run checks first, before printing anything.
TEST(ParameterLimits, TheRunChecksBeforePrinting)
{
    const std::vector<std::uint16_t> pixels(16, 100);
    std::ostringstream log;
    RunOptions options;
    options.log = &log;
    EXPECT_EQ(thrownMessage<std::invalid_argument>(
                  [&] { run(pixels.data(), 4, 4, {{"tipoOutput", "n"}, {"nIts", "200000"}}, options); }),
              "nIts = 200000 is outside the accepted range (at most 100000)");
    EXPECT_EQ(log.str(), "");
}

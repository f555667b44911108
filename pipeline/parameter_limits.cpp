#include "pipeline/parameter_limits.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "pipeline/stoi_conversion.h"

namespace kestrano {

namespace {

constexpr std::int32_t noBound = std::numeric_limits<std::int32_t>::min();

// A value is checked only when the stage that reads it runs: a value no stage
// reads changes nothing. Lower bounds the pipeline already enforces (nAng,
// nBins at least 1) are left to it, so that those runs fail as before; they
// appear in the range shown.
struct Limit {
    const char* name;
    const char* stage;     // the name whose presence runs the stage
    std::int32_t lowest;   // noBound: not checked here
    std::int32_t highest;
    const char* range;     // as told to the user
};

constexpr Limit limits[] = {
    {"nAng", "dl", noBound, 36000, "1 to 36000"},             // directions traced per seed
    {"nBins", "dl", noBound, 1000000, "1 to 1000000"},        // histogram entries allocated
    {"nIts", "nIts", noBound, 100000, "at most 100000"},      // diffusion passes over the image
    {"s", "s", -100000, 100000, "-100000 to 100000"},         // Gaussian spread
    {"w", "s", 0, 512, "0 to 512"},                           // window side: w x w work per pixel
    {"th", "th", 0, 65535, "0 to 65535"},                     // a 16-bit grey value
};

}  // namespace

void checkParameterLimits(const ParamList& params)
{
    for (const Limit& limit : limits) {
        if (params.count(limit.stage) == 0)
            continue;
        const auto entry = params.find(limit.name);
        if (entry == params.end())
            continue;
        std::int32_t value = 0;
        try {
            value = stoiArgument(entry->second);
        } catch (const std::exception&) {
            continue;  // fails where the pipeline converts it, as it always did
        }
        if ((limit.lowest != noBound && value < limit.lowest) || value > limit.highest)
            throw std::invalid_argument(std::string(limit.name) + " = " + std::to_string(value) +
                                        " is outside the accepted range (" + limit.range + ")");
    }
}

}  // namespace kestrano

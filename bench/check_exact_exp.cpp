// Exhaustive check of exactNegExp against the scalar formula: every float
// from +0 to +inf, every NaN and a stride through the negatives, on every
// instruction set this machine runs. Prints the disagreements per target
// (must be 0) and how often the vector code fell back to std::exp.
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "preprocess/exact_exp.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "bench/check_exact_exp.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "preprocess/exact_exp-inl.h"

HWY_BEFORE_NAMESPACE();
namespace kestrano {
namespace HWY_NAMESPACE {

// Lanes the vector code cannot decide; count is a multiple of the lanes.
std::uint64_t CountUnsure(const float* q, std::size_t count)
{
    const hn::ScalableTag<float> df;
    std::uint64_t unsureLanes = 0;
    for (std::size_t i = 0; i < count; i += hn::Lanes(df)) {
        hn::Mask<decltype(df)> unsure;
        NegExpUnlessUnsure(df, hn::LoadU(df, q + i), unsure);
        unsureLanes += hn::CountTrue(df, unsure);
    }
    return unsureLanes;
}

}  // namespace HWY_NAMESPACE
}  // namespace kestrano
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kestrano {
HWY_EXPORT(CountUnsure);
}  // namespace kestrano

namespace {

constexpr std::size_t kChunk = 1 << 16;  // a multiple of every lane count

float fromBits(std::uint32_t b)
{
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

std::uint32_t toBits(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

struct Tally {
    std::uint64_t values = 0;
    std::uint64_t wrong = 0;
    std::uint64_t unsure = 0;
};

// One range of bit patterns [first, last] taken every `stride`.
struct Sweep {
    const char* name;
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t stride;
};

}  // namespace

int main()
{
    using kestrano::exactNegExp;
    const Sweep sweeps[] = {
        {"[+0, 103.5]", 0u, toBits(103.5f), 1},
        {"(103.5, +inf]", toBits(103.5f) + 1, 0x7f800000u, 1},
        {"+NaN (all)", 0x7f800001u, 0x7fffffffu, 1},
        {"-NaN (all)", 0xff800001u, 0xffffffffu, 1},
        {"[-inf, -0] every 4099th", 0x80000000u, 0xff800000u, 4099},
    };
    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    std::vector<Tally> tallies(targets.size() * (sizeof(sweeps) / sizeof(sweeps[0])));
    std::vector<float> q(kChunk), expected(kChunk), got(kChunk);
    const auto start = std::chrono::steady_clock::now();
    std::size_t sweepIndex = 0;
    for (const Sweep& sweep : sweeps) {
        std::uint64_t next = sweep.first;
        while (next <= sweep.last) {
            std::size_t n = 0;
            for (; n < kChunk && next <= sweep.last; ++n, next += sweep.stride)
                q[n] = fromBits(static_cast<std::uint32_t>(next));
            for (std::size_t i = n; i < kChunk; ++i)
                q[i] = 0.0f;  // padding: exp(-0) = 1 is never unsure
            for (std::size_t i = 0; i < n; ++i)
                expected[i] = kestrano::negExpScalar(q[i]);
            for (std::size_t t = 0; t < targets.size(); ++t) {
                hwy::SetSupportedTargetsForTest(targets[t]);
                exactNegExp(q.data(), got.data(), n);
                Tally& tally = tallies[sweepIndex * targets.size() + t];
                tally.values += n;
                for (std::size_t i = 0; i < n; ++i)
                    tally.wrong += toBits(got[i]) != toBits(expected[i]) ? 1 : 0;
                tally.unsure += HWY_DYNAMIC_DISPATCH(kestrano::CountUnsure)(q.data(), kChunk);
            }
        }
        ++sweepIndex;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::uint64_t totalWrong = 0;
    sweepIndex = 0;
    for (const Sweep& sweep : sweeps) {
        for (std::size_t t = 0; t < targets.size(); ++t) {
            hwy::SetSupportedTargetsForTest(targets[t]);
            const Tally& tally = tallies[sweepIndex * targets.size() + t];
            totalWrong += tally.wrong;
            std::printf("%-26s %-7s values %11" PRIu64 "  disagreements %" PRIu64
                        "  fall-backs %" PRIu64 " (%.3g)\n",
                        sweep.name, kestrano::exactNegExpTarget(), tally.values, tally.wrong,
                        tally.unsure, static_cast<double>(tally.unsure) / tally.values);
        }
        ++sweepIndex;
    }
    hwy::SetSupportedTargetsForTest(0);
    std::printf("targets %zu, total disagreements %" PRIu64 ", %.1f s\n", targets.size(),
                totalWrong, seconds);
    return totalWrong == 0 ? 0 : 1;
}
#endif  // HWY_ONCE

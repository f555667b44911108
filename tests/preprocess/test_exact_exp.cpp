#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include <hwy/targets.h>

#include "preprocess/exact_exp.h"

using namespace kestrano;

namespace {

std::uint32_t bitsOf(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// Every 7 floats around `centre`.
void addNeighbourhood(std::vector<float>& q, float centre)
{
    for (int step = 0; step < 3; ++step)
        centre = std::nextafter(centre, 0.0f);
    for (int step = 0; step < 7; ++step, centre = std::nextafter(centre, 200.0f))
        q.push_back(centre);
}

std::vector<float> testValues()
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // The edges of the ranges the vector code tells apart, and what no
    // polynomial takes: NaN with payloads, infinities, negatives.
    std::vector<float> q = {-0.0f, 1e-45f, 1e30f, inf, -inf, -1.0f, -88.8f, -1e-40f, nan, -nan,
                            std::numeric_limits<float>::signaling_NaN(), std::nanf("12345"),
                            -std::nanf("777")};
    for (float edge : {0.0f, 0x1p-25f, 87.33654f, 103.27893f, 103.5f, 103.97208f, 104.0f})
        addNeighbourhood(q, edge);
    // The q in [0, 103.5] whose exp(-q) lies closest to a midpoint between
    // two floats, within 3.2e-15 relative (from the exhaustive check).
    q.insert(q.end(), {
    0x1.d2259ap+3f, 0x1.e1dbe2p-8f, 0x1.c1c4b8p-10f, 0x1.000000p-25f, 0x1.548c34p-7f,
    0x1.6e1dd0p-8f, 0x1.7acc62p+3f, 0x1.71e81ep-6f, 0x1.f02a66p+1f, 0x1.e981d4p-16f,
    0x1.93813ep-16f, 0x1.7f4296p+0f, 0x1.fffffep-26f, 0x1.e4854cp-11f, 0x1.6727d6p-4f,
    0x1.edfb24p-1f, 0x1.03d5bep+0f, 0x1.705ce4p+1f, 0x1.6a0040p-18f, 0x1.2c0016p-19f,
    0x1.a80016p-20f, 0x1.600004p-22f, 0x1.400002p-23f, 0x1.800002p-24f
    });
    // q whose exp(-q) lies next to a midpoint between two floats, where the
    // vector code must fall back; the first from the subnormal outputs.
    std::mt19937 random(3);
    std::uniform_real_distribution<float> output(0.0f, 1.0f);
    for (int i = 0; i < 3000; ++i) {
        const float f = i < 40 ? static_cast<float>(i + 1) * 1e-45f : output(random);
        addNeighbourhood(q, static_cast<float>(-std::log((double(f) + std::nextafter(f, 2.0f)) / 2)));
    }
    std::uniform_real_distribution<float> anyValue(0.0f, 110.0f);
    std::uniform_int_distribution<std::uint32_t> anyBits(0u, bitsOf(110.0f));
    for (int i = 0; i < 50000; ++i) {
        const std::uint32_t b = anyBits(random);
        float f;
        std::memcpy(&f, &b, 4);
        q.push_back(f);
        q.push_back(anyValue(random));
    }
    return q;
}

// Runs `check` once per instruction set this machine supports, dispatched.
template <class Check>
void onEveryTarget(Check check)
{
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        ASSERT_STREQ(exactNegExpTarget(), hwy::TargetName(target));
        check();
    }
    hwy::SetSupportedTargetsForTest(0);
}

}  // namespace

TEST(ExactExp, MatchesTheScalarFormulaBitForBitAndWritesExactlyTheSpan)
{
    const std::vector<float> q = testValues();
    // Every length up to 40 (each tail the vector code finishes), then the whole list.
    std::vector<std::size_t> counts(41);
    std::iota(counts.begin(), counts.end(), std::size_t{0});
    counts.push_back(q.size());
    onEveryTarget([&] {
        for (const std::size_t count : counts) {
            std::vector<float> out(count + 1, -7.0f);
            exactNegExp(q.data(), out.data(), count);
            EXPECT_EQ(out[count], -7.0f) << "written past " << count;
            int wrong = 0;
            for (std::size_t i = 0; i < count; ++i) {
                const float expected = static_cast<float>(std::exp(-static_cast<double>(q[i])));
                if (bitsOf(out[i]) != bitsOf(expected) && ++wrong <= 5)
                    ADD_FAILURE() << "q = " << q[i] << " gives " << out[i] << ", not " << expected;
            }
        }
    });
}

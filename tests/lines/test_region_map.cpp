// How far a given clearance lets the guided ray walk jump.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "lines/guided_ray_walk.h"

using namespace kestrano;

TEST(RegionMap, JumpsStopShortOfTheClearance)
{
    // Along a row a sample moves one pixel per step: from clearance D the
    // walk may skip D - 2 samples. On the diagonal a step moves 1/sqrt(2).
    struct Case {
        double angle;
        std::int64_t clearance, jump;
    };
    const double diagonal = std::atan(1.0);
    const Case cases[] = {{0.0, 0, 1},        {0.0, 1, 1},         {0.0, 2, 1},        {0.0, 3, 2},
                          {0.0, 10, 9},       {0.0, 255, 254},     {0.0, 256, 255},    {0.0, 1000, 999},
                          {diagonal, 2, 2},   {diagonal, 3, 3},    {diagonal, 10, 13}, {diagonal, 255, 360},
                          {diagonal, 256, 361}, {2.0, 3, 3},       {3.0, 3, 3}};
    for (const Case& c : cases) {
        const guided_walk::Direction dir(c.angle, std::cos(c.angle), std::sin(c.angle), 4);
        EXPECT_EQ(dir.jump(c.clearance), c.jump) << "angle " << c.angle << " clearance " << c.clearance;
    }
    // The promise behind every jump: no skipped sample comes within reach.
    for (double angle = 0.0; angle < 6.3; angle += 0.05) {
        const double c = std::cos(angle), s = std::sin(angle);
        const guided_walk::Direction dir(angle, c, s, 4);
        for (std::int64_t clearance = 0; clearance < 300; ++clearance)
            for (std::int64_t m = 1; m < dir.jump(clearance); ++m)
                ASSERT_LT(std::max(std::floor(std::fabs(m * c)), std::floor(std::fabs(m * s))) + 1.0,
                          double(clearance))
                    << "angle " << angle << " clearance " << clearance << " skip " << m;
    }
}

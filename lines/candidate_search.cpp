#include "lines/candidate_search.h"

#include <cmath>
#include <ostream>

#include "core/angles.h"
#include "lines/label_clearance.h"
#include "lines/label_extents.h"
#include "lines/ray_walk.h"
#include "lines/seed_buckets.h"

namespace kestrano {

LineList traceCandidates(const std::uint16_t* buffer, const ImageSize& size, std::int32_t speed,
                         std::int32_t nAng, std::int32_t lMinLine,
                         const std::vector<std::uint32_t>& labels, std::ostream& log)
{
    const std::int32_t half = nAng / 2;
    std::vector<double> angles, cosines, sines;
    for (std::int32_t k = 0; k < half; ++k) {
        const double angle = k * kTwoPi / nAng;
        angles.push_back(angle);
        cosines.push_back(std::cos(angle));
        sines.push_back(std::sin(angle));
    }

    // Each region visits only its own bucket of grid seeds. Its rays stop once
    // they have passed every pixel of the region (from there the full walk
    // could only return the placeholder, which is never kept) and jump over
    // stretches that the region's clearance proves empty.
    const SeedBuckets seeds(buffer, size, speed, labels);
    const LabelExtents extents(buffer, size, labels);
    LineList candidates;
    for (std::size_t r = 0; r < labels.size(); ++r) {
        log << static_cast<std::int32_t>(r) << '\r';
        const std::uint32_t label = labels[r];
        const LabelExtent& extent = extents.of(label);
        const LabelClearance clearance(buffer, size, label, extent);
        for (const SeedPoint& seed : seeds.seedsOf(r)) {
            for (std::size_t k = 0; k < angles.size(); ++k) {
                const StraightLine line = ray_walk::walkRay(
                    buffer, size, seed.x, seed.y, angles[k], cosines[k], sines[k], lMinLine, label,
                    RegionGuide(extent, clearance, cosines[k], sines[k]));
                if (line.valid() && line.length() > lMinLine)
                    candidates.push_back(line);
            }
        }
    }
    return candidates;
}

}  // namespace kestrano

#include "lines/candidate_search.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <ostream>

#include "core/angles.h"
#include "core/parallel.h"
#include "lines/guided_ray_walk.h"
#include "lines/label_extents.h"
#include "lines/region_map.h"
#include "lines/seed_buckets.h"

namespace kestrano {

namespace {

// Seeds traced by one task: small enough that one region holding most of the
// seeds still spreads over every thread.
constexpr std::size_t kSeedsPerChunk = 48;

struct Chunk {
    std::size_t region;
    std::size_t firstSeed;
    std::size_t endSeed;
};

// A region's map is built by the first chunk that needs it and released by
// the last one, so only the regions in progress hold one.
struct RegionWork {
    std::once_flag built;
    std::unique_ptr<RegionMap> map;
    std::atomic<std::size_t> chunksLeft{0};
};

}  // namespace

LineList traceCandidates(const std::uint16_t* buffer, const ImageSize& size, std::int32_t speed,
                         std::int32_t nAng, std::int32_t lMinLine,
                         const std::vector<std::uint32_t>& labels, std::ostream& log, int threads)
{
    // Step tables long enough for every in-frame sample (|c| or s is at least
    // 1/sqrt(2)) and the jumps beyond; later steps are worked out directly.
    const std::int32_t half = nAng / 2;
    const std::int64_t tableLength =
        std::min<std::int64_t>(std::max<std::int64_t>(size[0], size[1]) * 3 / 2 + 260, 1 << 20);
    std::vector<guided_walk::Direction> directions;
    directions.reserve(static_cast<std::size_t>(std::max(half, 0)));
    for (std::int32_t k = 0; k < half; ++k) {
        const double angle = k * kTwoPi / nAng;
        directions.emplace_back(angle, std::cos(angle), std::sin(angle), tableLength);
    }
    for (std::size_t r = 0; r < labels.size(); ++r)
        log << static_cast<std::int32_t>(r) << '\r';

    // Each region visits only its own bucket of grid seeds.
    const SeedBuckets seeds(buffer, size, speed, labels);
    const LabelExtents extents(buffer, size, labels);
    std::vector<Chunk> chunks;
    const std::unique_ptr<RegionWork[]> work(new RegionWork[labels.size()]);
    for (std::size_t r = 0; r < labels.size() && !directions.empty(); ++r) {
        const std::size_t n = seeds.seedsOf(r).size();
        for (std::size_t first = 0; first < n; first += kSeedsPerChunk) {
            chunks.push_back({r, first, std::min(n, first + kSeedsPerChunk)});
            ++work[r].chunksLeft;
        }
    }

    std::vector<std::vector<StraightLine>> found(chunks.size());
    parallelFor(threads, chunks.size(), [&](std::size_t t) {
        const Chunk& chunk = chunks[t];
        RegionWork& region = work[chunk.region];
        const std::uint32_t label = labels[chunk.region];
        std::call_once(region.built, [&] {
            region.map = std::make_unique<RegionMap>(buffer, size, label, extents.of(label));
        });
        // Direction by direction: the chunk's seeds are neighbours in a
        // column, so their parallel rays share the map's cache lines and the
        // direction's step table. Each seed's lines still come out in
        // direction order, seed after seed.
        const std::vector<SeedPoint>& regionSeeds = seeds.seedsOf(chunk.region);
        std::vector<std::vector<StraightLine>> perSeed(chunk.endSeed - chunk.firstSeed);
        for (const guided_walk::Direction& dir : directions) {
            for (std::size_t i = chunk.firstSeed; i < chunk.endSeed; ++i) {
                const SeedPoint seed = regionSeeds[i];
                const StraightLine line =
                    walkGuided(*region.map, size, seed.x, seed.y, dir, lMinLine, label,
                               WalkAnswer::kCandidate);
                if (line.valid() && line.length() > lMinLine)
                    perSeed[i - chunk.firstSeed].push_back(line);
            }
        }
        std::vector<StraightLine>& out = found[t];
        for (const std::vector<StraightLine>& lines : perSeed)
            out.insert(out.end(), lines.begin(), lines.end());
        if (--region.chunksLeft == 0)
            region.map.reset();
    });

    LineList candidates;
    for (std::vector<StraightLine>& part : found) {
        candidates.insert(candidates.end(), part.begin(), part.end());
        std::vector<StraightLine>().swap(part);
    }
    return candidates;
}

}  // namespace kestrano

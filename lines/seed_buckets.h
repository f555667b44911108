#pragma once
// The sampled seed positions of each region: x = 0, speed, ... outer and
// y = 0, speed, ... inner, kept per region in that order, so that visiting a
// region's bucket yields its seeds exactly as a scan of the whole grid would.
#include <cstdint>
#include <vector>

#include "core/image_size.h"

namespace kestrano {

struct SeedPoint {
    std::int32_t x;
    std::int32_t y;
};

class SeedBuckets {
public:
    // labels: the label of region r at index r, for the regions to visit.
    SeedBuckets(const std::uint16_t* buffer, const ImageSize& size, std::int32_t speed,
                const std::vector<std::uint32_t>& labels);

    // Seeds of region r, i.e. the grid positions holding its label.
    const std::vector<SeedPoint>& seedsOf(std::size_t region) const;

private:
    std::vector<std::int32_t> bucketOfRegion_;  // -1: label cannot be in the buffer
    std::vector<std::vector<SeedPoint>> buckets_;
    std::vector<SeedPoint> none_;
};

}  // namespace kestrano

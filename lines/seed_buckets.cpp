#include "lines/seed_buckets.h"

namespace kestrano {

SeedBuckets::SeedBuckets(const std::uint16_t* buffer, const ImageSize& size, std::int32_t speed,
                         const std::vector<std::uint32_t>& labels)
    : bucketOfRegion_(labels.size(), -1)
{
    // Regions sharing a label would share the seeds too.
    std::vector<std::int32_t> bucketOfLabel(65536, -1);
    for (std::size_t r = 0; r < labels.size(); ++r) {
        const std::uint32_t label = labels[r];
        if (label > 0xFFFFu)
            continue;
        if (bucketOfLabel[label] < 0) {
            bucketOfLabel[label] = static_cast<std::int32_t>(buckets_.size());
            buckets_.emplace_back();
        }
        bucketOfRegion_[r] = bucketOfLabel[label];
    }
    if (buckets_.empty())
        return;
    for (std::int64_t x = 0; x < size[0]; x += speed) {
        for (std::int64_t y = 0; y < size[1]; y += speed) {
            const std::int32_t b = bucketOfLabel[buffer[size[0] * y + x]];
            if (b >= 0)
                buckets_[static_cast<std::size_t>(b)].push_back(
                    SeedPoint{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
        }
    }
}

const std::vector<SeedPoint>& SeedBuckets::seedsOf(std::size_t region) const
{
    const std::int32_t b = bucketOfRegion_[region];
    return b < 0 ? none_ : buckets_[static_cast<std::size_t>(b)];
}

}  // namespace kestrano

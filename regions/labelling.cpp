#include "regions/labelling.h"

#include <limits>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "regions/region_growth.h"

namespace kestrano {

namespace {

constexpr std::int32_t kLargestLabel = std::numeric_limits<std::uint16_t>::max();

[[noreturn]] void throwTooManyRegions(std::uint16_t fg)
{
    const std::int32_t firstLabel = static_cast<std::int32_t>(fg) + 1;
    throw std::overflow_error("too many regions to label: more than " +
                              std::to_string(kLargestLabel - fg) +
                              " separate regions (16-bit labels " + std::to_string(firstLabel) +
                              ".." + std::to_string(kLargestLabel) +
                              "); raise the threshold or smooth the image");
}

}  // namespace

RegionTable labelRegions(std::uint16_t* pixels, const ImageSize& size, std::uint16_t fg,
                         std::ostream& log)
{
    const std::int32_t H = size[0];
    const std::int32_t W = size[1];
    if (H <= 0 || W <= 0)
        return RegionTable{};
    const std::int64_t wholeCount = static_cast<std::int64_t>(H) * W;
    // Linear indices are 32-bit throughout; larger images cannot be addressed.
    if (wholeCount > std::numeric_limits<std::int32_t>::max())
        throw std::bad_alloc();
    const std::int32_t N = static_cast<std::int32_t>(wholeCount);
    const std::size_t n = static_cast<std::size_t>(N);

    // Labels go straight into the buffer; should the labels run out, every
    // pixel labelled so far (all of them fg before) is put back.
    PixelList list;
    list.reached.assign((n + 63) / 64, 0);
    list.entries.reserve(n);  // every pixel is entered at most once
    std::vector<std::int32_t> ends;
    std::vector<std::int32_t> seeds;

    std::int32_t label = static_cast<std::int32_t>(fg) + 1;
    std::int32_t regionCount = 0;
    for (std::int32_t i = 0; i < N; ++i) {
        if (pixels[static_cast<std::size_t>(i)] != fg)
            continue;
        if (label > kLargestLabel) {
            for (const std::int32_t seed : seeds)
                pixels[seed] = fg;
            for (const std::uint32_t e : list.entries)
                pixels[e & ~RegionTable::kBorderFlag] = fg;
            throwTooManyRegions(fg);
        }
        if (growRegion(pixels, list, size, i / W, i % W, static_cast<std::uint16_t>(label), fg))
            log << "entro lim" << std::endl;
        seeds.push_back(i);
        ends.push_back(static_cast<std::int32_t>(list.entries.size()));
        ++label;
        ++regionCount;
    }
    std::vector<std::uint64_t>().swap(list.reached);
    return buildRegionTable(fg, std::move(list.entries), regionCount, ends, W);
}

}  // namespace kestrano

#include "lines/detect_lines.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "lines/candidate_search.h"
#include "lines/line_report.h"
#include "lines/optimize_passes.h"
#include "preprocess/pixel_conversions.h"
#include "regions/labelling.h"
#include "regions/size_filter.h"

namespace {

constexpr double kTwoPi = 6.2831853072;

void requireAtLeastOne(const char* name, std::int32_t value)
{
    if (value < 1)
        throw std::invalid_argument(std::string(name) + " must be at least 1 (got " +
                                    std::to_string(value) + ")");
}

// Above 300 regions only the first 94 % are visited.
std::int32_t cappedRegionCount(std::int32_t count)
{
    return count > 300 ? truncToInt32(count * 0.94) : count;
}

}  // namespace

LineGroups detectLines(std::uint16_t* buffer, ImageSize& size, std::int32_t speed,
                       std::int32_t nAng, std::int32_t lMinLine, std::int32_t minSize,
                       std::int32_t maxSize)
{
    requireAtLeastOne("speed", speed);
    requireAtLeastOne("nAng", nAng);

    // Labelling sees {rows, row length}; the caller gets its order back even
    // when labelling fails.
    std::swap(size[0], size[1]);
    RegionTable regions;
    try {
        regions = filterRegionsBySize(labelRegions(buffer, size, 255), maxSize, minSize);
    } catch (...) {
        std::swap(size[0], size[1]);
        throw;
    }
    std::swap(size[0], size[1]);

    const std::int32_t count = cappedRegionCount(regions.count);
    const std::size_t visitedCount =
        std::min(regions.labels.size(), static_cast<std::size_t>(std::max<std::int32_t>(count, 0)));
    const std::vector<std::uint32_t> visited(
        regions.labels.begin(), regions.labels.begin() + static_cast<std::ptrdiff_t>(visitedCount));
    LineList candidates = traceCandidates(buffer, size, speed, nAng, lMinLine, visited);

    std::cout << "N Antes Optimiza: " << static_cast<std::uint64_t>(candidates.size()) << std::endl;
    const LineGroups groups = groupByLabel(std::move(candidates));
    std::cout << "Tamanho Mapa: " << static_cast<std::uint64_t>(groups.size()) << std::endl;

    const double angleStep = kTwoPi / nAng;
    LineGroups result;
    for (int g = 0; static_cast<std::size_t>(g) < groups.size(); ++g) {
        LineList out;
        const LineList& group = groupAt(groups, g);
        if (group.size() > 1) {
            const LineList pass0 = optimizePass0(buffer, size, group);
            std::cout << "Nueva N Despues Optimiza 0: " << static_cast<std::uint64_t>(pass0.size())
                      << std::endl;
            for (const StraightLine& line : pass0)
                writeLineReport(std::cout, line);
            out = optimizePass1(buffer, size, pass0, angleStep);
            std::cout << "Nueva N Despues Optimiza 1: " << static_cast<std::uint64_t>(out.size())
                      << std::endl;
            for (const StraightLine& line : out)
                writeLineReport(std::cout, line);
        }
        result[g] = std::move(out);
    }
    return result;
}

LineGroups groupByLabel(LineList lines)
{
    std::int64_t minLabel = 65535;
    std::int64_t maxLabel = 0;
    for (const StraightLine& line : lines) {
        if (line.label() < minLabel)
            minLabel = line.label();
        if (line.label() > maxLabel)
            maxLabel = line.label();
    }
    LineGroups groups;
    const std::int64_t n = maxLabel - minLabel + 1;
    if (n < 1)
        return groups;
    // One pass: every label lies within [minLabel, maxLabel].
    std::vector<LineList> byKey(static_cast<std::size_t>(n));
    for (StraightLine& line : lines)
        byKey[static_cast<std::size_t>(line.label() - minLabel)].push_back(std::move(line));
    for (std::int64_t g = 0; g < n; ++g)
        groups[static_cast<int>(g)] = std::move(byKey[static_cast<std::size_t>(g)]);
    return groups;
}

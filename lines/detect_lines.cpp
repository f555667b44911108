#include "lines/detect_lines.h"

#include <algorithm>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/angles.h"
#include "core/numeric.h"
#include "core/parallel.h"
#include "lines/background_map.h"
#include "lines/candidate_search.h"
#include "lines/line_report.h"
#include "lines/optimize_passes.h"
#include "regions/labelling.h"
#include "regions/size_filter.h"

namespace kestrano {

namespace {

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

LineGroups detectLines(std::uint16_t* buffer, const ImageSize& size, std::int32_t speed,
                       std::int32_t nAng, std::int32_t lMinLine, std::int32_t minSize,
                       std::int32_t maxSize, std::ostream& log, DetectionCounts* counts,
                       int threads)
{
    requireAtLeastOne("speed", speed);
    requireAtLeastOne("nAng", nAng);

    // Labelling sees {rows, row length}. Only the labels of the regions to
    // visit outlive this block: the pixel lists are gone before the search.
    DetectionCounts seen;
    std::vector<std::uint32_t> visited;
    {
        const ImageSize rowsFirst{size[1], size[0]};
        RegionTable labelled = labelRegions(buffer, rowsFirst, 255, log);
        seen.labelled = labelled.count;
        for (const std::int32_t pixels : labelled.pixelCounts)
            seen.tooLarge += pixels >= maxSize && pixels > minSize ? 1 : 0;
        const RegionTable regions = filterRegionsBySize(std::move(labelled), maxSize, minSize, log);
        seen.kept = regions.count;

        const std::int32_t count = cappedRegionCount(regions.count);
        const std::size_t visitedCount = std::min(
            regions.labels.size(), static_cast<std::size_t>(std::max<std::int32_t>(count, 0)));
        seen.visited = static_cast<std::int32_t>(visitedCount);
        visited.assign(regions.labels.begin(),
                       regions.labels.begin() + static_cast<std::ptrdiff_t>(visitedCount));
    }
    LineList candidates = traceCandidates(buffer, size, speed, nAng, lMinLine, visited, log, threads);
    seen.candidates = candidates.size();
    if (counts != nullptr)
        *counts = seen;

    log << "N Antes Optimiza: " << static_cast<std::uint64_t>(candidates.size()) << std::endl;
    const LineGroups groups = groupByLabel(std::move(candidates));
    log << "Tamanho Mapa: " << static_cast<std::uint64_t>(groups.size()) << std::endl;

    // Groups are pruned independently; each one's lines are kept apart and
    // written in group order. The largest groups go first to keep every
    // thread busy until the end.
    const double angleStep = kTwoPi / nAng;
    const std::size_t groupCount = groups.size();
    std::vector<const LineList*> byKey(groupCount);
    std::vector<std::size_t> order(groupCount);
    for (std::size_t g = 0; g < groupCount; ++g) {
        byKey[g] = &groupAt(groups, static_cast<int>(g));
        order[g] = g;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return byKey[a]->size() > byKey[b]->size();
    });
    const BackgroundMap background(buffer, size, threads);
    std::vector<LineList> kept(groupCount);
    std::vector<std::string> printed(groupCount);
    parallelFor(threads, groupCount, [&](std::size_t t) {
        const std::size_t g = order[t];
        const LineList& group = *byKey[g];
        if (group.size() <= 1)
            return;
        std::ostringstream out;
        out.copyfmt(log);
        // The largest region goes first and may hold most of the lines: its
        // pairs are shared among the threads as well.
        const int inner = t == 0 ? threads : 1;
        const LineList pass0 = optimizePass0(background, size, group, inner);
        out << "Nueva N Despues Optimiza 0: " << static_cast<std::uint64_t>(pass0.size()) << std::endl;
        for (const StraightLine& line : pass0)
            writeLineReport(out, line);
        kept[g] = optimizePass1(background, size, pass0, angleStep, out, inner);
        out << "Nueva N Despues Optimiza 1: " << static_cast<std::uint64_t>(kept[g].size())
            << std::endl;
        for (const StraightLine& line : kept[g])
            writeLineReport(out, line);
        printed[g] = out.str();
    });
    LineGroups result;
    for (std::size_t g = 0; g < groupCount; ++g) {
        log << printed[g];
        std::string().swap(printed[g]);
        result[static_cast<int>(g)] = std::move(kept[g]);
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

}  // namespace kestrano

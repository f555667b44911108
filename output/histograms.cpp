#include "output/histograms.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>

#include "core/angles.h"
#include "core/numeric.h"

namespace kestrano {

namespace {

// A histogram of nBins bins plus the entry for the upper end, counts at 0.
// Checked before anything is allocated.
Histogram emptyHistogram(std::int32_t nBins)
{
    if (nBins < 1)
        throw std::invalid_argument("nBins must be at least 1 (got " + std::to_string(nBins) + ")");
    // nBins + 1 entries must still be a 32-bit count.
    if (nBins == std::numeric_limits<std::int32_t>::max())
        throw std::bad_array_new_length();
    Histogram h;
    h.binCount = nBins + 1;
    h.binValues.assign(static_cast<std::size_t>(h.binCount), 0);
    h.binCounts.assign(static_cast<std::size_t>(h.binCount), 0);
    return h;
}

void setUnitEdges(Histogram& h)
{
    for (std::int32_t i = 0; i < h.binCount; ++i)
        h.binValues[static_cast<std::size_t>(i)] = i;
}

void setScaledEdges(Histogram& h, double width)
{
    for (std::int32_t i = 0; i < h.binCount; ++i)
        h.binValues[static_cast<std::size_t>(i)] =
            truncToInt32(std::floor(static_cast<double>(i) * width));
}

// Counts one item in bin b; an index outside the arrays is refused, naming the
// value that led to it.
void countInBin(Histogram& h, std::int64_t b, const char* what, double value)
{
    if (b < 0 || b >= h.binCount) {
        std::ostringstream message;
        message << what << ' ' << value << " falls outside the histogram bins (0.."
                << h.binCount - 1 << ")";
        throw std::out_of_range(message.str());
    }
    ++h.binCounts[static_cast<std::size_t>(b)];
}

// Calls visit(line) for every line, group by group in ascending number.
template <typename Visit>
void forEachLine(const LineGroups& lines, Visit visit)
{
    for (int g = 0; g < static_cast<int>(lines.size()); ++g)
        for (const StraightLine& line : groupAt(lines, g))
            visit(line);
}

}  // namespace

Histogram lengthHistogram(const LineGroups& lines, std::int32_t nBins)
{
    Histogram h = emptyHistogram(nBins);

    double maxL = 0.0;
    forEachLine(lines, [&](const StraightLine& line) {
        const std::int32_t whole = truncToInt32(std::floor(line.length()));
        if (static_cast<double>(whole) > maxL)
            maxL = whole;
    });

    if (static_cast<double>(nBins) > maxL) {
        setUnitEdges(h);
        forEachLine(lines, [&](const StraightLine& line) {
            countInBin(h, truncToInt32(std::floor(line.length())), "line length", line.length());
        });
    } else {
        const double width = maxL / nBins;
        setScaledEdges(h, width);
        forEachLine(lines, [&](const StraightLine& line) {
            const std::int32_t b = truncToInt32(std::floor(line.length() / width));
            // Lengths below one bin width are left out of scaled bins.
            if (b != 0)
                countInBin(h, b, "line length", line.length());
        });
    }
    return h;
}

Histogram angleHistogram(const LineGroups& lines, std::int32_t nBins)
{
    Histogram h = emptyHistogram(nBins);

    if (static_cast<double>(nBins) <= 180.0) {
        const double width = 180.0 / nBins;
        setScaledEdges(h, width);
        forEachLine(lines, [&](const StraightLine& line) {
            const double d = toDegrees(line.angle());
            // Each bin takes the angles up to and including its upper edge;
            // bin 0 also takes 0 itself.
            std::int64_t b = truncToInt32(std::ceil(d / width));
            if (b != 0)
                b -= 1;
            countInBin(h, b, "line angle (degrees)", d);
        });
    } else {
        setUnitEdges(h);
        forEachLine(lines, [&](const StraightLine& line) {
            const double d = toDegrees(line.angle());
            countInBin(h, truncToInt32(std::floor(d)), "line angle (degrees)", d);
        });
    }
    return h;
}

void writeHistogram(const Histogram& histogram, const std::string& fileName)
{
    std::ofstream out(fileName);
    if (out)
        writeHistogram(out, histogram);
}

void writeHistogram(std::ostream& out, const Histogram& histogram)
{
    out << histogram.binCount << "\n";
    const std::size_t stored = std::min(histogram.binValues.size(), histogram.binCounts.size());
    for (std::int32_t i = 0; i < histogram.binCount && static_cast<std::size_t>(i) < stored; ++i)
        out << histogram.binValues[static_cast<std::size_t>(i)] << "\t"
            << histogram.binCounts[static_cast<std::size_t>(i)] << "\n";
}

}  // namespace kestrano

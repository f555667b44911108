#include "output/segment_summary.h"

#include <algorithm>
#include <cmath>

namespace kestrano {

SegmentSummary summarise(const std::vector<SegmentRow>& rows)
{
    SegmentSummary s;
    s.segments = static_cast<std::int32_t>(rows.size());
    if (rows.empty())
        return s;

    std::vector<double> lengths;
    double sumCos = 0.0;
    double sumSin = 0.0;
    for (const SegmentRow& row : rows) {
        lengths.push_back(row.length);
        s.totalLength += row.length;
        const double doubled = 2.0 * row.angleDeg * M_PI / 180.0;
        sumCos += std::cos(doubled);
        sumSin += std::sin(doubled);
        s.borderSegments += row.touchesBorder ? 1 : 0;
    }
    const auto n = static_cast<double>(rows.size());
    s.meanLength = s.totalLength / n;
    std::sort(lengths.begin(), lengths.end());
    const std::size_t mid = lengths.size() / 2;
    s.medianLength = lengths.size() % 2 == 1 ? lengths[mid] : (lengths[mid - 1] + lengths[mid]) / 2.0;

    const double meanCos = sumCos / n;
    const double meanSin = sumSin / n;
    s.alignment = std::sqrt(meanCos * meanCos + meanSin * meanSin);
    double angle = std::atan2(meanSin, meanCos) * 180.0 / M_PI / 2.0;  // (-90, 90]
    if (angle < 0.0)
        angle += 180.0;
    s.meanAngleDeg = angle >= 180.0 ? angle - 180.0 : angle;
    return s;
}

}  // namespace kestrano

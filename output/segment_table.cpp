#include "output/segment_table.h"

#include <cmath>

#include "core/angles.h"
#include "output/painted_path.h"

namespace kestrano {

namespace {

bool nearEdge(const PixelPoint& p, std::int32_t rows, std::int32_t cols)
{
    return p.x <= kBorderMargin || p.y <= kBorderMargin || p.x >= cols - 1 - kBorderMargin ||
           p.y >= rows - 1 - kBorderMargin;
}

// The segment's length with each axis in its own physical size, so that
// non-square pixels shorten or stretch it according to its direction.
double physicalLength(const StraightLine& line, const PixelScale& scale)
{
    const double dx = line.length() * std::cos(line.angle()) * scale.x;
    const double dy = line.length() * std::sin(line.angle()) * scale.y;
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

std::vector<SegmentRow> segmentRows(const LineGroups& lines, std::int32_t rows, std::int32_t cols,
                                    const PixelScale& scale)
{
    std::vector<SegmentRow> table;
    for (int g = 0; g < static_cast<int>(lines.size()); ++g) {
        for (const StraightLine& line : groupAt(lines, g)) {
            const PaintedPath path(line);
            const PixelPoint first = path.at(0.0f);
            const PixelPoint last = path.length() > 0.0f ? path.at(path.lastStep()) : first;
            SegmentRow row;
            row.segment = static_cast<std::int32_t>(table.size()) + 1;
            row.label = line.label();
            row.x1 = first.x;
            row.y1 = first.y;
            row.x2 = last.x;
            row.y2 = last.y;
            row.lengthPx = line.length();
            row.angleDeg = toDegrees(line.angle());
            row.length = scale.known() ? physicalLength(line, scale) : line.length();
            row.touchesBorder = nearEdge(first, rows, cols) || nearEdge(last, rows, cols);
            table.push_back(row);
        }
    }
    return table;
}

}  // namespace kestrano

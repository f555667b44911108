#include "lines/line_report.h"

#include "core/angles.h"

#include <cmath>
#include <cstdint>

namespace kestrano {

void writeLineReport(std::ostream& out, const StraightLine& line)
{
    out << static_cast<std::int32_t>(line.label()) << ", " << line.length() << ", "
        << std::sqrt(line.centerY() * line.centerY() + line.centerX() * line.centerX()) << ", "
        << toDegrees(line.angle()) << ", " << line.slope() << std::endl;
}

}  // namespace kestrano

#include "lines/line_report.h"

#include <cmath>
#include <cstdint>

void writeLineReport(std::ostream& out, const StraightLine& line)
{
    out << static_cast<std::int32_t>(line.label()) << ", " << line.length() << ", "
        << std::sqrt(line.centerY() * line.centerY() + line.centerX() * line.centerX()) << ", "
        << line.angle() * 180.0 / 3.1415926536 << ", " << line.slope() << std::endl;
}

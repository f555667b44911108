#include "output/data_files.h"

#include <fstream>

namespace {

// Total segment count; every group number from 0 up must be present.
std::int32_t totalLines(const LineGroups& lines)
{
    std::int32_t total = 0;
    for (int g = 0; g < static_cast<int>(lines.size()); ++g)
        total += static_cast<std::int32_t>(groupAt(lines, g).size());
    return total;
}

// The total, then valueOf(line) for every line, group by group; nothing when
// the file cannot be opened.
template <typename ValueOf>
void writeLineValues(const LineGroups& lines, const std::string& fileName, ValueOf valueOf)
{
    const std::int32_t total = totalLines(lines);
    std::ofstream out(fileName);
    if (!out)
        return;
    out << total << "\n";
    for (int g = 0; g < static_cast<int>(lines.size()); ++g)
        for (const StraightLine& line : groupAt(lines, g))
            out << valueOf(line) << "\n";
}

}  // namespace

void writeLengthData(LineGroups lines, std::string fileName)
{
    writeLineValues(lines, fileName, [](const StraightLine& line) { return line.length(); });
}

void writeAngleData(LineGroups lines, std::string fileName)
{
    writeLineValues(lines, fileName,
                    [](const StraightLine& line) { return line.angle() * 180.0 / 3.1415926536; });
}

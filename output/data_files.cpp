#include "output/data_files.h"

#include <fstream>

#include "core/angles.h"

namespace kestrano {

namespace {

// Total segment count; every group number from 0 up must be present.
std::int32_t totalLines(const LineGroups& lines)
{
    std::int32_t total = 0;
    for (int g = 0; g < static_cast<int>(lines.size()); ++g)
        total += static_cast<std::int32_t>(groupAt(lines, g).size());
    return total;
}

// The total, then valueOf(line) for every line, group by group.
template <typename ValueOf>
void writeLineValues(std::ostream& out, const LineGroups& lines, ValueOf valueOf)
{
    const std::int32_t total = totalLines(lines);
    out << total << "\n";
    for (int g = 0; g < static_cast<int>(lines.size()); ++g)
        for (const StraightLine& line : groupAt(lines, g))
            out << valueOf(line) << "\n";
}

double lengthOf(const StraightLine& line) { return line.length(); }
double degreesOf(const StraightLine& line) { return toDegrees(line.angle()); }

template <typename ValueOf>
void writeLineValueFile(const LineGroups& lines, const std::string& fileName, ValueOf valueOf)
{
    totalLines(lines);  // a missing group fails before the file is touched
    std::ofstream out(fileName);
    if (out)
        writeLineValues(out, lines, valueOf);
}

}  // namespace

void writeLengthData(std::ostream& out, const LineGroups& lines)
{
    writeLineValues(out, lines, lengthOf);
}

void writeAngleData(std::ostream& out, const LineGroups& lines)
{
    writeLineValues(out, lines, degreesOf);
}

void writeLengthData(const LineGroups& lines, const std::string& fileName)
{
    writeLineValueFile(lines, fileName, lengthOf);
}

void writeAngleData(const LineGroups& lines, const std::string& fileName)
{
    writeLineValueFile(lines, fileName, degreesOf);
}

}  // namespace kestrano

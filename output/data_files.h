#pragma once
// Plain-text files of all segment lengths and angles: the total first, then
// one value per line, groups in ascending number, each in list order.
#include <ostream>
#include <string>

#include "core/straight_line.h"

namespace kestrano {

// The file contents, written to any stream.
void writeLengthData(std::ostream& out, const LineGroups& lines);
void writeAngleData(std::ostream& out, const LineGroups& lines);  // degrees

// The same into a file, created or emptied; a file that cannot be opened is
// skipped silently.
void writeLengthData(const LineGroups& lines, const std::string& fileName);
void writeAngleData(const LineGroups& lines, const std::string& fileName);

}  // namespace kestrano

#pragma once
// Plain-text files of all segment lengths and angles: the total first, then
// one value per line. A file that cannot be opened is skipped silently.
#include <string>

#include "lines/straight_line.h"

void writeLengthData(LineGroups lines, std::string fileName);
void writeAngleData(LineGroups lines, std::string fileName);  // degrees

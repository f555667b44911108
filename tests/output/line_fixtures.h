#pragma once
// Segments, group maps and a scratch directory for the output tests.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lines/straight_line.h"

// Only the fields the outputs read matter: start point, angle, length.
inline StraightLine segment(double x1, double y1, double angle, double length)
{
    StraightLine line(0.0, 0.0, length, angle);
    line.setX1(x1);
    line.setY1(y1);
    return line;
}

inline LineGroups groupsOf(const std::vector<LineList>& lists)
{
    LineGroups groups;
    for (std::size_t g = 0; g < lists.size(); ++g)
        groups[static_cast<int>(g)] = lists[g];
    return groups;
}

class ScratchDir {
public:
    ScratchDir() { std::filesystem::create_directories(path_); }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                  ("kestrano-output-" + std::to_string(::getpid()));
};

inline std::string readFile(const std::string& name)
{
    std::ostringstream text;
    text << std::ifstream(name).rdbuf();
    return text.str();
}

#pragma once
// Segments and a scratch directory for the output tests.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/straight_line.h"

using namespace kestrano;

// Only the fields the outputs read matter: start point, angle, length.
inline StraightLine segment(double x1, double y1, double angle, double length)
{
    StraightLine line(0.0, 0.0, length, angle);
    line.setX1(x1);
    line.setY1(y1);
    return line;
}

struct ScratchDir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("kestrano-output-" + std::to_string(::getpid()));
    ScratchDir() { std::filesystem::create_directories(path); }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

inline std::string readFile(const std::string& name)
{
    std::ostringstream text;
    text << std::ifstream(name).rdbuf();
    return text.str();
}

#pragma once
// The physical size of one pixel, when it is known: from the command line, or
// from the resolution an image file records.
#include <string>

namespace kestrano {

struct PixelScale {
    double x = 1.0;            // width of a pixel (along a row)
    double y = 1.0;            // height of a pixel (across rows)
    std::string unit = "px";   // "px" when nothing physical is known
    std::string source;        // where it came from: "command line", "TIFF resolution", ...

    bool known() const { return unit != "px"; }
};

}  // namespace kestrano

#include "imageio/tiff_resolution.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace kestrano {

namespace {

std::string trimmed(const std::string& text)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    auto begin = std::find_if_not(text.begin(), text.end(), blank);
    auto end = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), blank).base();
    return std::string(begin, end);
}

// Micrometres per `unit`, or 0 for a unit that does not convert.
double micrometresPer(const std::string& unit)
{
    std::string u;
    for (char c : unit)
        u += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (u == "micron" || u == "microns" || u == "um" || u == "\xc2\xb5m" || u == "\xb5m" || u == "\\u00b5m" ||
        u == "micrometer" || u == "micrometre" || u == "micrometers" || u == "micrometres")
        return 1.0;
    if (u == "nm" || u == "nanometer" || u == "nanometre")
        return 1e-3;
    if (u == "mm" || u == "millimeter" || u == "millimetre")
        return 1e3;
    if (u == "cm" || u == "centimeter" || u == "centimetre")
        return 1e4;
    if (u == "m" || u == "meter" || u == "metre")
        return 1e6;
    if (u == "inch" || u == "in")
        return 25400.0;
    return 0.0;
}

}  // namespace

std::string descriptionUnit(const std::string& description)
{
    std::size_t start = 0;
    while (start < description.size()) {
        std::size_t end = description.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = description.size();
        const std::string line = trimmed(description.substr(start, end - start));
        if (line.compare(0, 5, "unit=") == 0)
            return trimmed(line.substr(5));
        start = end + 1;
    }
    return "";
}

std::optional<PixelScale> pixelScaleFrom(const TiffResolution& resolution)
{
    if (!(resolution.x > 0.0) || !(resolution.y > 0.0) || !std::isfinite(resolution.x) ||
        !std::isfinite(resolution.y))
        return std::nullopt;
    PixelScale scale;
    double perUnit = 0.0;  // micrometres per unit of the resolution
    if (resolution.unit == 2 || resolution.unit == 3) {
        perUnit = resolution.unit == 2 ? 25400.0 : 1e4;
        scale.source = "TIFF resolution";
    } else {
        const std::string& unit = resolution.descriptionUnit;
        if (unit.empty() || unit == "pixel" || unit == "pixels" || unit == "px")
            return std::nullopt;
        perUnit = micrometresPer(unit);
        scale.source = "TIFF resolution, unit=" + unit + " in the image description";
        if (perUnit == 0.0) {  // a unit of its own: kept as it is
            scale.x = 1.0 / resolution.x;
            scale.y = 1.0 / resolution.y;
            scale.unit = unit;
            return scale;
        }
    }
    scale.x = perUnit / resolution.x;
    scale.y = perUnit / resolution.y;
    scale.unit = "um";
    return scale;
}

}  // namespace kestrano

#include "imageio/colour_to_grey.h"

#include <cmath>

namespace kestrano {

std::uint16_t weightedGrey(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    const double grey = 0.299 * r + 0.587 * g + 0.114 * b;
    const long rounded = std::lround(grey);
    return static_cast<std::uint16_t>(rounded > 65535 ? 65535 : rounded);
}

namespace {

const char* const weights = "grey = 0.299 R + 0.587 G + 0.114 B";

std::string withAlpha(std::string text, bool alphaDropped)
{
    return alphaDropped ? text + "; alpha channel dropped" : text;
}

}  // namespace

std::string colourWarning(const std::string& path, bool alphaDropped)
{
    return withAlpha(path + ": colour image converted to grey (" + weights + ")", alphaDropped);
}

std::string paletteWarning(const std::string& path, bool alphaDropped)
{
    return withAlpha(path + ": palette image expanded and converted to grey (" + weights + ")",
                     alphaDropped);
}

std::string alphaWarning(const std::string& path)
{
    return path + ": alpha channel dropped";
}

}  // namespace kestrano

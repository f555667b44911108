#pragma once
// Colour images become grey by the usual luma weights on the stored sample
// values, so an 8-bit colour image gives 8-bit greys and a 16-bit one 16-bit.
#include <cstdint>
#include <string>

namespace kestrano {

// round(0.299 R + 0.587 G + 0.114 B), at most 65535.
std::uint16_t weightedGrey(std::uint32_t r, std::uint32_t g, std::uint32_t b);

// The warnings that go with a conversion, each naming the file.
std::string colourWarning(const std::string& path, bool alphaDropped);
std::string paletteWarning(const std::string& path, bool alphaDropped);
std::string alphaWarning(const std::string& path);

}  // namespace kestrano

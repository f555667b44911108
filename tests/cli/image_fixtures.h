#pragma once
// Small images in layouts that the tool never writes itself (8-bit, colour,
// palette, tiled, several pages), made directly with libtiff and libpng.
#include <cstdint>
#include <string>
#include <vector>

struct TiffFixture {
    std::uint32_t width, height;
    std::uint16_t bitsPerSample, samplesPerPixel, photometric, sampleFormat;
    std::uint32_t tileSize;  // 0: strips
    int pages;               // later pages repeat the first
    std::vector<std::uint16_t> samples;    // interleaved, as stored
    std::vector<std::uint16_t> colourMap;  // red, green, blue thirds for palette images
};
void writeTiffFixture(const std::string& path, const TiffFixture& fixture);

enum PngColourType { PNG_GREY = 0, PNG_RGB_ALPHA = 6, PNG_PALETTE = 3 };

struct PngFixture {
    std::uint32_t width, height;
    int bitDepth;
    PngColourType colourType;
    std::vector<std::uint16_t> samples;  // interleaved
    std::vector<std::uint8_t> palette;   // r, g, b triples
};
void writePngFixture(const std::string& path, const PngFixture& fixture);

#pragma once
// Images for the process tests: bright bars on a dark background, in which the
// detector finds a few segments, and a multi-page TIFF made of such images.
#include <cstdint>
#include <string>
#include <vector>

#include "imageio/image_file.h"
#include "support/tiff_writer.h"

// A horizontal and a steep bar, values above 8 bits; `shift` moves the steep one.
inline kestrano::GreyImage barsImage(int rows = 72, int cols = 96, int shift = 0)
{
    kestrano::GreyImage image(rows, cols, std::vector<std::uint16_t>(static_cast<std::size_t>(rows * cols), 1000));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if ((r >= rows / 4 && r < rows / 4 + 4 && c > 4 && c < cols - 4) ||
                (c >= r / 3 + cols / 3 + shift && c < r / 3 + cols / 3 + shift + 4))
                image.pixels[static_cast<std::size_t>(r * cols + c)] = 30000;
    return image;
}

// One 16-bit page per image, uncompressed.
inline void writeStack(const std::string& path, const std::vector<kestrano::GreyImage>& pages)
{
    std::vector<TiffPage> tiff;
    for (const kestrano::GreyImage& page : pages)
        tiff.push_back({std::uint32_t(page.cols), std::uint32_t(page.rows), 16, SAMPLEFORMAT_UINT, bytesOf(page.pixels)});
    writeTiff(path, tiff);
}

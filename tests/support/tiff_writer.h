#pragma once
// TIFF files in layouts the tool never writes itself (8-bit, colour, palette,
// tiled, wide or signed samples, several pages, resolution tags, compressed
// data the tags overstate), made directly with libtiff.
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

struct TiffPage {
    std::uint32_t width, height;
    std::uint16_t bits = 8, format = SAMPLEFORMAT_UINT;
    std::vector<unsigned char> bytes;  // rows as stored, host order
    std::uint16_t samplesPerPixel = 1, photometric = PHOTOMETRIC_MINISBLACK;
    std::uint32_t tileSize = 0;                // 0: strips
    std::vector<std::uint16_t> colourMap = {};  // red, green, blue thirds for palette images
    const char* description = nullptr;
    float resolution = 0.0f;  // x; y is twice as fine
    std::uint16_t unit = 0;   // 0: no ResolutionUnit tag
    std::uint16_t compression = COMPRESSION_NONE;
    bool raw = false;  // `bytes` are strip or tile 0 as stored, whatever the tags declare
};

template <typename T>
std::vector<unsigned char> bytesOf(const std::vector<T>& values)
{
    std::vector<unsigned char> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

inline void writeTiff(const std::string& path, const std::vector<TiffPage>& pages)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        throw std::runtime_error("cannot create " + path);
    for (TiffPage p : pages) {
        const std::size_t rowBytes = p.bytes.size() / p.height;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samplesPerPixel);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, p.format);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        if (!p.colourMap.empty())
            TIFFSetField(tif, TIFFTAG_COLORMAP, &p.colourMap[0], &p.colourMap[256], &p.colourMap[512]);
        if (p.description)
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, p.description);
        if (p.resolution > 0) {
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.resolution);
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, p.resolution * 2);
        }
        if (p.unit)
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, p.unit);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
        if (p.tileSize == 0) {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.height);
        } else {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tileSize);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tileSize);
        }
        if (p.raw) {
            // Headers that promise more than the file holds, for the readers' limits.
            (p.tileSize ? TIFFWriteRawTile : TIFFWriteRawStrip)(tif, 0, p.bytes.data(), tmsize_t(p.bytes.size()));
        } else if (p.tileSize == 0) {
            for (std::uint32_t r = 0; r < p.height; ++r)
                TIFFWriteScanline(tif, &p.bytes[r * rowBytes], r, 0);
        } else {
            const std::size_t pixelBytes = rowBytes / p.width;
            std::vector<unsigned char> tile(TIFFTileSize(tif));
            for (std::uint32_t y = 0; y < p.height; y += p.tileSize)
                for (std::uint32_t x = 0; x < p.width; x += p.tileSize) {
                    for (std::uint32_t ty = 0; ty < p.tileSize && y + ty < p.height; ++ty)
                        std::memcpy(&tile[ty * p.tileSize * pixelBytes], &p.bytes[(y + ty) * rowBytes + x * pixelBytes],
                                    std::min(p.tileSize, p.width - x) * pixelBytes);
                    TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
                }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

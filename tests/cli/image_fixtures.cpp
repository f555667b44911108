#include "image_fixtures.h"

#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

void writeTiffFixture(const std::string& path, const TiffFixture& f)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        throw std::runtime_error("cannot create " + path);
    const std::size_t bytes = f.bitsPerSample / 8, pixelBytes = f.samplesPerPixel * bytes;
    std::vector<unsigned char> raster(f.samples.size() * bytes);
    for (std::size_t i = 0; i < f.samples.size(); ++i)
        std::memcpy(&raster[i * bytes], &f.samples[i], 2 < bytes ? 2 : bytes);  // little-endian host
    for (int page = 0; page < f.pages; ++page) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, f.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, f.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, f.bitsPerSample);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, f.samplesPerPixel);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, f.photometric);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, f.sampleFormat);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        if (!f.colourMap.empty())
            TIFFSetField(tif, TIFFTAG_COLORMAP, &f.colourMap[0], &f.colourMap[256], &f.colourMap[512]);
        if (f.tileSize == 0) {
            for (std::uint32_t r = 0; r < f.height; ++r)
                TIFFWriteScanline(tif, &raster[r * f.width * pixelBytes], r, 0);
        } else {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, f.tileSize);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, f.tileSize);
            std::vector<unsigned char> tile(TIFFTileSize(tif));
            for (std::uint32_t y = 0; y < f.height; y += f.tileSize)
                for (std::uint32_t x = 0; x < f.width; x += f.tileSize) {
                    for (std::uint32_t ty = 0; ty < f.tileSize && y + ty < f.height; ++ty)
                        for (std::uint32_t tx = 0; tx < f.tileSize && x + tx < f.width; ++tx)
                            std::memcpy(&tile[(ty * f.tileSize + tx) * pixelBytes],
                                        &raster[((y + ty) * f.width + x + tx) * pixelBytes], pixelBytes);
                    TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
                }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

void writePngFixture(const std::string& path, const PngFixture& f)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, f.width, f.height, f.bitDepth, f.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < f.palette.size(); i += 3)
        palette.push_back({f.palette[i], f.palette[i + 1], f.palette[i + 2]});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_write_info(png, info);
    const std::size_t rowSamples = f.samples.size() / f.height;
    std::vector<png_byte> row(rowSamples * 2);
    for (std::uint32_t r = 0; r < f.height; ++r) {
        for (std::size_t i = 0; i < rowSamples; ++i) {
            const std::uint16_t v = f.samples[r * rowSamples + i];
            if (f.bitDepth == 16)  // big-endian in the file
                row[2 * i] = static_cast<png_byte>(v >> 8), row[2 * i + 1] = static_cast<png_byte>(v);
            else
                row[i] = static_cast<png_byte>(v);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

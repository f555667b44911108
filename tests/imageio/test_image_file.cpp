#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/image_file.h"
#include "support/temp_folder.h"

using namespace kestrano;

namespace {

using Pixels = std::vector<std::uint16_t>;

// Layouts the tool never writes itself (8-bit, colour, palette, tiled, several
// pages), made directly with libtiff and libpng.
struct TiffFixture {
    std::uint32_t width, height;
    std::uint16_t bitsPerSample, samplesPerPixel, photometric, sampleFormat;
    std::uint32_t tileSize;  // 0: strips
    int pages;               // later pages repeat the first
    Pixels samples;          // interleaved, as stored
    Pixels colourMap;        // red, green, blue thirds for palette images
};

void writeTiff(const std::string& path, const TiffFixture& f)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    const std::size_t bytes = f.bitsPerSample / 8, pixelBytes = f.samplesPerPixel * bytes;
    std::vector<unsigned char> raster(f.samples.size() * bytes);
    for (std::size_t i = 0; i < f.samples.size(); ++i)
        std::memcpy(&raster[i * bytes], &f.samples[i], std::min<std::size_t>(bytes, 2));  // little-endian host
    for (int page = 0; page < f.pages; ++page) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, f.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, f.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, f.bitsPerSample);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, f.samplesPerPixel);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, f.photometric);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, f.sampleFormat);
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
                        std::memcpy(&tile[ty * f.tileSize * pixelBytes], &raster[((y + ty) * f.width + x) * pixelBytes],
                                    std::min(f.tileSize, f.width - x) * pixelBytes);
                    TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
                }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

// An 8-bit PNG; `palette` holds r, g, b triples.
void writePng(const std::string& path, std::uint32_t width, int colourType, const std::vector<png_byte>& samples,
              const std::vector<png_color>& palette = {})
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, width, 1, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_write_info(png, info);
    png_write_row(png, samples.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

struct ReadResult {
    GreyImage image;
    std::vector<std::string> warnings;
    std::string error;
};

// Reads `path`, checking that libtiff and libpng print nothing themselves.
ReadResult readQuietly(const std::string& path)
{
    ReadResult result;
    testing::internal::CaptureStderr();
    try {
        result.image = readGreyImage(path, result.warnings);
    } catch (const ImageFileError& error) {
        result.error = error.what();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << path;
    return result;
}

}  // namespace

TEST(ImageFile, EachFormatRoundTripsSixteenBitValues)
{
    const GreyImage sample{2, 3, {0, 1, 255, 256, 0x1234, 65535}};
    for (const std::string name : {"a.tif", "b.TIFF", "c.png", "d.pgm"}) {
        TempFolder folder;
        writeBytes(folder / name, "an older file is replaced");
        writeGreyImage(folder / name, sample);
        const ReadResult back = readQuietly(folder / name);
        EXPECT_EQ(std::make_pair(back.image.rows, back.image.cols), std::make_pair(2, 3)) << name;
        EXPECT_EQ(back.image.pixels, sample.pixels) << name;
        EXPECT_EQ(back.warnings.size() + back.error.size(), 0u) << name;
        EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{name}) << "no temporary file is left behind";
    }
    EXPECT_EQ(formatFromPath("dir.x/IMG.Tif"), ImageFormat::Tiff);
    TempFolder folder;
    EXPECT_THROW(writeGreyImage(folder / "missing/x.png", sample), ImageFileError);
    EXPECT_TRUE(namesIn(folder.path()).empty());

    // The layout of a written PGM, byte for byte.
    writeGreyImage(folder / "x.pgm", sample);
    EXPECT_EQ(readBytes(folder / "x.pgm"),
              std::string("P5\n3 2\n65535\n\0\0\0\x01\0\xff\x01\0\x12\x34\xff\xff", 25));
}

TEST(ImageFile, StoredValuesAreKeptUnscaledFromAnyLayout)
{
    TempFolder folder;
    writeBytes(folder / "g.pgm", std::string("P5 # comment\n2 1\n255\n\xc8\x07"));
    writeBytes(folder / "m.pgm", std::string("P5\n2 1\n1000\n\x03\xe8\x00\x07", 16));  // two bytes, big-endian
    writeTiff(folder / "g.tif", {2, 1, 8, 1, PHOTOMETRIC_MINISBLACK, 1, 0, 1, {200, 7}, {}});
    writePng(folder / "g.png", 2, PNG_COLOR_TYPE_GRAY, {200, 7});
    for (const char* name : {"g.pgm", "g.tif", "g.png"})
        EXPECT_EQ(readQuietly(folder / name).image.pixels, (Pixels{200, 7})) << name;
    EXPECT_EQ(readQuietly(folder / "m.pgm").image.pixels, (Pixels{1000, 7}));

    TiffFixture tiled{20, 18, 16, 1, PHOTOMETRIC_MINISBLACK, 1, 16, 3, {}, {}};  // tiles overhang
    for (int i = 0; i < 20 * 18; ++i)
        tiled.samples.push_back(static_cast<std::uint16_t>(i * 150));
    writeTiff(folder / "t.tif", tiled);
    const ReadResult read = readQuietly(folder / "t.tif");
    EXPECT_EQ(std::make_pair(read.image.rows, read.image.cols), std::make_pair(18, 20));
    EXPECT_EQ(read.image.pixels, tiled.samples);
    EXPECT_TRUE(read.warnings.empty());
}

TEST(ImageFile, ColourBecomesWeightedGreyWithAWarning)
{
    TempFolder folder;
    writePng(folder / "c.png", 1, PNG_COLOR_TYPE_RGB_ALPHA, {10, 200, 30, 128});
    writePng(folder / "p.png", 2, PNG_COLOR_TYPE_PALETTE, {1, 0}, {{0, 0, 0}, {255, 0, 0}});
    writeTiff(folder / "c.tif", {1, 1, 16, 3, PHOTOMETRIC_RGB, 1, 0, 1, {1000, 2000, 3000}, {}});
    Pixels colourMap(3 * 256, 0);
    colourMap[2] = 40000, colourMap[256 + 2] = 10000;  // red and green of entry 2
    writeTiff(folder / "p.tif", {1, 1, 8, 1, PHOTOMETRIC_PALETTE, 1, 0, 1, {2}, colourMap});

    const ReadResult c = readQuietly(folder / "c.png"), p = readQuietly(folder / "p.png");
    EXPECT_EQ(c.image.pixels, Pixels{124});  // 0.299 * 10 + 0.587 * 200 + 0.114 * 30 = 123.81
    EXPECT_EQ(c.warnings, std::vector<std::string>{folder / "c.png: colour image converted to grey (grey = 0.299 R + "
                                                            "0.587 G + 0.114 B); alpha channel dropped"});
    EXPECT_EQ(p.image.pixels, (Pixels{76, 0}));  // 0.299 * 255 = 76.245
    ASSERT_EQ(p.warnings.size(), 1u);
    EXPECT_NE(p.warnings[0].find("palette image expanded and converted to grey"), std::string::npos);
    // 299 + 1174 + 342; the colour map's values as stored: 0.299 * 40000 + 0.587 * 10000
    const std::vector<std::pair<std::string, std::uint16_t>> tiffs = {{"c.tif", 1815}, {"p.tif", 17830}};
    for (const auto& [name, grey] : tiffs) {
        const ReadResult tiff = readQuietly(folder / name);
        EXPECT_EQ(tiff.image.pixels, Pixels{grey}) << name;
        EXPECT_EQ(tiff.warnings.size(), 1u) << name;
    }
}

TEST(ImageFile, UnreadableFilesNameTheFileAndTheReason)
{
    TempFolder folder;
    writeTiff(folder / "f.tif", {1, 1, 32, 1, PHOTOMETRIC_MINISBLACK, SAMPLEFORMAT_IEEEFP, 0, 1, {0, 0}, {}});
    const std::vector<std::array<std::string, 3>> cases = {  // name, content, reason
        {"missing.tif", "", "cannot open (No such file or directory)"},
        {"f.tif", "", "TIFF samples are 32-bit floating-point; read them with --rescale, which maps their min..max "
                      "linearly onto 0..65535"},
        {"empty.png", "", "empty file (0 bytes)"},
        {"text.tif", "hello, this is not an image", "not a supported image (expected TIFF, PNG, JPEG or binary PGM)"},
        {"ascii.pgm", "P2\n1 1\n255\n7\n", "netpbm type P2 is not supported (only binary grey PGM, P5, is read)"},
        {"zero.pgm", "P5\n0 4\n255\n", "zero-sized image (width 0, height 4)"},
        {"huge.pgm", "P5\n429496730 1\n255\n",
         "image too large: it declares 429496730 x 1 pixels, more than the 429,496,729 pixels an image can have"},
        {"short.pgm", "P5\n4 4\n255\nabc", "truncated PGM file (3 of 16 bytes of pixel data)"},
        {"over.pgm", "P5\n1 1\n100\n\xc8", "not a valid PGM file: sample 200 exceeds maxval 100"}};
    for (const auto& [name, content, reason] : cases) {
        if (name != "missing.tif" && name != "f.tif")
            writeBytes(folder / name, content);
        EXPECT_EQ(readQuietly(folder / name).error, folder / name + ": " + reason);
    }

    // Cut in half: libtiff's and libpng's own words follow ours in brackets.
    for (const std::string name : {"big.tif", "big.png"}) {
        writeGreyImage(folder / name, {64, 64, Pixels(64 * 64, 1234)});
        const std::string bytes = readBytes(folder / name);
        writeBytes(folder / name, bytes.substr(0, bytes.size() / 2));
        const std::string error = readQuietly(folder / name).error;
        const char* reason = name == "big.tif" ? "truncated or corrupt TIFF file (" : "corrupt or truncated PNG file (";
        EXPECT_EQ(error.rfind(folder / name + ": " + reason, 0), 0u) << error;
    }
}

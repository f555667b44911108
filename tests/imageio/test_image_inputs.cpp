// What the readers accept beyond plain 8/16-bit images: every page of a TIFF,
// JPEG, 32-bit and float samples through the rescale, the pixel size from the
// resolution tags; and what they refuse without blocking: FIFOs, folders,
// malformed PGM headers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "imageio/crafted_files.h"
#include "imageio/image_file.h"
#include "support/temp_folder.h"

using namespace kestrano;

namespace {

using Pixels = std::vector<std::uint16_t>;

// One strip per page; `samples` are raw host-order bytes of every page in turn.
struct TiffPage {
    std::uint16_t bits, format;
    std::vector<unsigned char> samples;  // 1 row
    std::uint32_t width;
    const char* description = nullptr;
    float resolution = 0.0f;
    std::uint16_t unit = 0;  // 0: no ResolutionUnit tag
};

void writeTiffPages(const std::string& path, const std::vector<TiffPage>& pages)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    for (const TiffPage& p : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, p.format);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        if (p.description)
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, p.description);
        if (p.resolution > 0) {
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.resolution);
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, p.resolution * 2);
        }
        if (p.unit)
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, p.unit);
        std::vector<unsigned char> row = p.samples;
        TIFFWriteScanline(tif, row.data(), 0, 0);
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

template <typename T>
std::vector<unsigned char> bytesOf(const std::vector<T>& values)
{
    std::vector<unsigned char> bytes(values.size() * sizeof(T));
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

GreyImage read(const std::string& path, std::vector<std::string>& warnings, std::size_t page = 0,
               bool rescale = false)
{
    ReadOptions options;
    options.page = page;
    options.rescale = rescale;
    return readGreyImage(path, warnings, options);
}

std::string errorOf(const std::string& path, std::size_t page = 0, bool rescale = false)
{
    std::vector<std::string> warnings;
    try {
        read(path, warnings, page, rescale);
    } catch (const ImageFileError& error) {
        return error.what();
    }
    return "";
}

}  // namespace

TEST(ImageInputs, EveryPageOfATiffIsReadable)
{
    TempFolder folder;
    writeTiffPages(folder / "stack.tif", {{8, 1, {1, 2}, 2}, {16, 1, bytesOf(Pixels{300, 400, 500}), 3},
                                          {8, 1, {9}, 1}});
    EXPECT_EQ(countPages(folder / "stack.tif"), 3u);
    std::vector<std::string> warnings;
    EXPECT_EQ(read(folder / "stack.tif", warnings, 0).pixels, (Pixels{1, 2}));
    const GreyImage second = read(folder / "stack.tif", warnings, 1);
    EXPECT_EQ(second.pixels, (Pixels{300, 400, 500}));
    EXPECT_EQ(second.bitsPerSample, 16);
    EXPECT_EQ(read(folder / "stack.tif", warnings, 2).pixels, Pixels{9});
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(errorOf(folder / "stack.tif", 3), folder / "stack.tif: has 3 pages; page 4 does not exist");

    writeGreyImage(folder / "one.png", GreyImage(1, 1, {5}));
    EXPECT_EQ(countPages(folder / "one.png"), 1u);
    EXPECT_EQ(errorOf(folder / "one.png", 1), folder / "one.png: has 1 page; page 2 does not exist");
}

TEST(ImageInputs, JpegGreyAndColourAreRead)
{
    TempFolder folder;
    std::vector<unsigned char> grey(16 * 8), colour(16 * 8 * 3);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<unsigned char>(i < 64 ? 40 : 200);  // two flat 8 x 8 blocks per half
    for (std::size_t i = 0; i < colour.size(); i += 3)
        colour[i] = 200, colour[i + 1] = 100, colour[i + 2] = 50;
    writeBytes(folder / "g.jpg", crafted::jpeg(16, 8, 1, grey));
    writeBytes(folder / "c.jpeg", crafted::jpeg(16, 8, 3, colour, true));
    std::vector<std::string> warnings;
    const GreyImage g = read(folder / "g.jpg", warnings);
    EXPECT_EQ(std::make_pair(g.rows, g.cols), std::make_pair(8, 16));
    EXPECT_EQ(g.bitsPerSample, 8);
    EXPECT_EQ(g.pixels[0], 40);  // flat blocks survive quality 100 exactly
    EXPECT_TRUE(warnings.empty());
    const GreyImage c = read(folder / "c.jpeg", warnings);
    for (std::uint16_t v : c.pixels)  // 0.299 * 200 + 0.587 * 100 + 0.114 * 50 = 124.2, after YCbCr rounding
        EXPECT_NEAR(v, 124, 2);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("colour image converted to grey"), std::string::npos);

    const std::string cut = crafted::jpeg(16, 8, 1, grey);
    writeBytes(folder / "cut.jpg", cut.substr(0, cut.size() - 40));
    EXPECT_EQ(errorOf(folder / "cut.jpg").rfind(folder / "cut.jpg: corrupt, truncated or unsupported JPEG file (", 0), 0u);
    EXPECT_THROW(writeGreyImage(folder / "out.jpg", g), ImageFileError);  // read, never written
}

TEST(ImageInputs, WideSamplesNeedTheRescaleWhichMapsMinToMax)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    TempFolder folder;
    writeTiffPages(folder / "f.tif", {{32, SAMPLEFORMAT_IEEEFP, bytesOf(std::vector<float>{-1.5f, 0.5f, 2.5f, nan,
                                                                                           inf, -inf}), 6}});
    writeTiffPages(folder / "i.tif", {{32, SAMPLEFORMAT_INT, bytesOf(std::vector<std::int32_t>{-70000, 0, 70000}), 3}});
    writeTiffPages(folder / "u.tif", {{32, SAMPLEFORMAT_UINT, bytesOf(std::vector<std::uint32_t>{7, 7}), 2}});
    writeTiffPages(folder / "s.tif", {{16, SAMPLEFORMAT_INT, bytesOf(std::vector<std::int16_t>{-2, 1}), 2}});
    struct Case {
        const char* name;
        const char* samples;
        Pixels pixels;
        std::pair<double, double> from;
    };
    // 0.5 of -1.5..2.5 is half way: 32767.5 rounds up; equal values all map to 0.
    const std::vector<Case> cases = {{"f.tif", "32-bit floating-point", {0, 32768, 65535, 0, 65535, 0}, {-1.5, 2.5}},
                                     {"i.tif", "32-bit signed integer", {0, 32768, 65535}, {-70000, 70000}},
                                     {"u.tif", "32-bit unsigned integer", {0, 0}, {7, 7}},
                                     {"s.tif", "16-bit signed integer", {0, 65535}, {-2, 1}}};
    for (const Case& c : cases) {
        EXPECT_EQ(errorOf(folder / c.name), folder / c.name + ": TIFF samples are " + c.samples +
                                                 "; read them with --rescale, which maps their min..max linearly "
                                                 "onto 0..65535");
        std::vector<std::string> warnings;
        const GreyImage image = read(folder / c.name, warnings, 0, true);
        EXPECT_EQ(image.pixels, c.pixels) << c.name;
        EXPECT_EQ(image.rescaledFrom, c.from) << c.name;
    }
    std::vector<std::string> warnings;
    const GreyImage plain = read(folder / "u.tif", warnings, 0, true);
    EXPECT_EQ(plain.bitsPerSample, 32);
    EXPECT_EQ(plain.sampleFormat, "unsigned");
    writeGreyImage(folder / "g.tif", GreyImage(1, 2, {3, 4}));
    EXPECT_FALSE(read(folder / "g.tif", warnings, 0, true).rescaledFrom) << "16-bit values stay as stored";
}

TEST(ImageInputs, PixelSizeComesFromTheResolutionAndGoesBackIntoTiffOutputs)
{
    TempFolder folder;
    struct Case {
        const char* name;
        TiffPage page;
        double x, y;       // pixel size
        const char* unit;  // "": none known
    };
    const std::vector<Case> cases = {
        {"cm.tif", {8, 1, {0}, 1, nullptr, 10000.0f, RESUNIT_CENTIMETER}, 1.0, 0.5, "um"},
        {"inch.tif", {8, 1, {0}, 1, nullptr, 254.0f, RESUNIT_INCH}, 100.0, 50.0, "um"},
        {"imagej.tif", {8, 1, {0}, 1, "ImageJ=1.54f\nunit=micron\n", 4.0f, RESUNIT_NONE}, 0.25, 0.125, "um"},
        {"escaped.tif", {8, 1, {0}, 1, "ImageJ=1.54f\nunit=\\u00B5m\n", 2.0f, 0}, 0.5, 0.25, "um"},
        {"nm.tif", {8, 1, {0}, 1, "unit=nm", 0.5f, RESUNIT_NONE}, 0.002, 0.001, "um"},
        {"own.tif", {8, 1, {0}, 1, "unit=furlong", 2.0f, RESUNIT_NONE}, 0.5, 0.25, "furlong"},
        {"pixel.tif", {8, 1, {0}, 1, "ImageJ=1.54f\nunit=pixel\n", 1.0f, RESUNIT_NONE}, 0, 0, ""},
        {"bare.tif", {8, 1, {0}, 1, nullptr, 72.0f, 0}, 0, 0, ""},  // no unit: 72 "dpi" is not a size
    };
    for (const Case& c : cases) {
        writeTiffPages(folder / c.name, {c.page});
        std::vector<std::string> warnings;
        const GreyImage image = read(folder / c.name, warnings);
        ASSERT_TRUE(image.resolution) << c.name;
        EXPECT_EQ(image.pixelScale.has_value(), *c.unit != '\0') << c.name;
        if (image.pixelScale) {
            EXPECT_NEAR(image.pixelScale->x, c.x, 1e-9) << c.name;
            EXPECT_NEAR(image.pixelScale->y, c.y, 1e-9) << c.name;
            EXPECT_EQ(image.pixelScale->unit, c.unit) << c.name;
        }
        // A painted result written as TIFF keeps the tags, so the size reads back the same.
        writeGreyImage(folder / "out.tif", image);
        const GreyImage back = read(folder / "out.tif", warnings);
        ASSERT_TRUE(back.resolution) << c.name;
        EXPECT_EQ(back.resolution->unit, image.resolution->unit) << c.name;
        EXPECT_EQ(back.resolution->descriptionUnit, image.resolution->descriptionUnit) << c.name;
        EXPECT_EQ(back.pixelScale.has_value(), image.pixelScale.has_value()) << c.name;
        if (back.pixelScale) {
            EXPECT_DOUBLE_EQ(back.pixelScale->x, image.pixelScale->x) << c.name;
        }
    }
}

TEST(ImageInputs, OnlyRegularFilesAndWellFormedPgmHeadersAreRead)
{
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe.pgm").c_str(), 0600), 0);
    ::mkdir((folder / "dir.png").c_str(), 0700);
    EXPECT_EQ(errorOf(folder / "pipe.pgm"), folder / "pipe.pgm: is a FIFO (named pipe), not a regular file");
    EXPECT_EQ(errorOf(folder / "dir.png"), folder / "dir.png: is a folder, not an image file");
    EXPECT_THROW(countPages(folder / "pipe.pgm"), ImageFileError);
    EXPECT_EQ(errorOf("/dev/null"), "/dev/null: is a device, not a regular file");

    writeBytes(folder / "comment.pgm", std::string("P5#a\n2#b\n#c\n2 255\n\x01\x02\x03\x04"));
    std::vector<std::string> warnings;
    EXPECT_EQ(read(folder / "comment.pgm", warnings).pixels, (Pixels{1, 2, 3, 4}));
    writeBytes(folder / "glued.pgm", "P54 4 255\n" + std::string(16, 'a'));
    EXPECT_EQ(errorOf(folder / "glued.pgm"),
              folder / "glued.pgm: not a valid PGM file: no white space after the magic number P5");
    writeBytes(folder / "letter.pgm", "P5 4x 4 255\n" + std::string(16, 'a'));
    EXPECT_EQ(errorOf(folder / "letter.pgm"), folder / "letter.pgm: not a valid PGM file: bad header (width is not a number)");
}

// Messages are kept per handle: reads of broken files on several threads at
// once each report their own file and reason.
TEST(ImageInputs, ConcurrentReadsKeepTheirOwnMessages)
{
    TempFolder folder;
    const std::vector<std::string> names = {"a.tif", "b.png", "c.jpg", "d.tif"};
    for (const std::string& name : names) {
        Pixels pixels(64 * 64);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint16_t>(i * 7919 % 251);
        if (name == "c.jpg")
            writeBytes(folder / name, crafted::jpeg(64, 64, 1, std::vector<unsigned char>(pixels.begin(), pixels.end())));
        else
            writeGreyImage(folder / name, GreyImage(64, 64, pixels));
        const std::string bytes = readBytes(folder / name);
        writeBytes(folder / name, bytes.substr(0, bytes.size() / 2));
    }
    std::vector<std::string> errors(names.size() * 8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < errors.size(); ++i)
        threads.emplace_back([&, i] { errors[i] = errorOf(folder / names[i % names.size()]); });
    for (std::thread& thread : threads)
        thread.join();
    for (std::size_t i = 0; i < errors.size(); ++i)
        EXPECT_EQ(errors[i], errors[i % names.size()]) << "same file, same message";
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(errors[i].rfind(folder / names[i] + ": ", 0), 0u) << errors[i];
}

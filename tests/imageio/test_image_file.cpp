// Reading and writing image files: every layout and format the readers take,
// what they convert (colour, palettes, wide samples through the rescale,
// resolution tags) and what they refuse, always naming the file and the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "imageio/crafted_files.h"
#include "imageio/image_file.h"
#include "support/temp_folder.h"
#include "support/thrown_message.h"
#include "support/tiff_writer.h"

using namespace kestrano;

namespace {

using Pixels = std::vector<std::uint16_t>;

struct Read {
    GreyImage image;
    std::vector<std::string> warnings;
    std::string error;
};

// Reads `path`; unless on several threads at once, checks that libtiff and
// libpng print nothing themselves.
Read read(const std::string& path, std::size_t page = 0, bool rescale = false, bool watchStderr = true)
{
    Read result;
    ReadOptions options;
    options.page = page;
    options.rescale = rescale;
    if (watchStderr)
        testing::internal::CaptureStderr();
    result.error = thrownMessage<ImageFileError>([&] { result.image = readGreyImage(path, result.warnings, options); });
    if (watchStderr) {
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << path;
    }
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
        const Read back = read(folder / name);
        EXPECT_EQ(std::tie(back.image.rows, back.image.cols, back.image.pixels),
                  std::tie(sample.rows, sample.cols, sample.pixels)) << name;
        EXPECT_EQ(back.warnings.size() + back.error.size(), 0u) << name;
        EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{name}) << "no temporary file is left behind";
    }
    TempFolder folder;
    EXPECT_EQ(thrownMessage<ImageFileError>([&] { writeGreyImage(folder / "missing/x.png", sample); }),
              folder / "missing/x.png: cannot create a file in its folder (No such file or directory)");

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
    writeBytes(folder / "c.pgm", std::string("P5#a\n2#b\n#c\n1 255\n\xc8\x07"));        // comments anywhere
    writeBytes(folder / "g.png", crafted::png(2, 1, 8, 0, crafted::deflated(std::string("\0\xc8\x07", 3))));
    // Interlaced: the first pixel is in the first pass, the second in the sixth.
    writeBytes(folder / "i.png",
               crafted::png(2, 1, 8, 0, crafted::deflated(std::string("\0\xc8\0\x07", 4)), "", true));
    for (const char* name : {"g.pgm", "c.pgm", "g.png", "i.png"})
        EXPECT_EQ(read(folder / name).image.pixels, (Pixels{200, 7})) << name;
    EXPECT_EQ(read(folder / "m.pgm").image.pixels, (Pixels{1000, 7}));

    // Data past the last row: libpng's remark comes back as our warning, not on standard error.
    writeBytes(folder / "x.png", crafted::png(2, 1, 8, 0, crafted::deflated(std::string("\0\xc8\x07\0\0\0", 6))));
    const Read extra = read(folder / "x.png");
    EXPECT_EQ(extra.image.pixels, (Pixels{200, 7}));
    EXPECT_EQ(extra.warnings, std::vector<std::string>{folder / "x.png" + ": PNG warning: IDAT: Too much image data"});
}

TEST(ImageFile, EveryPageOfATiffIsReadable)
{
    TempFolder folder;
    Pixels samples;  // the second page: 16-bit tiles that overhang the image
    for (int i = 0; i < 20 * 18; ++i)
        samples.push_back(static_cast<std::uint16_t>(i * 150));
    TiffPage tiled{20, 18, 16, SAMPLEFORMAT_UINT, bytesOf(samples)};
    TiffPage exact{32, 16, 8, SAMPLEFORMAT_UINT, std::vector<unsigned char>(32 * 16, 9)};  // the third: tiles that fit
    tiled.tileSize = exact.tileSize = 16;
    writeTiff(folder / "stack.tif", {{2, 1, 8, 1, {1, 2}}, tiled, exact});
    EXPECT_EQ(countPages(folder / "stack.tif"), 3u);
    EXPECT_EQ(read(folder / "stack.tif", 0).image.pixels, (Pixels{1, 2}));
    const Read second = read(folder / "stack.tif", 1);
    EXPECT_EQ(std::tie(second.image.rows, second.image.cols, second.image.pixels, second.image.bitsPerSample),
              std::make_tuple(18, 20, samples, 16));
    EXPECT_TRUE(second.warnings.empty());
    EXPECT_EQ(read(folder / "stack.tif", 2).image.pixels, Pixels(32 * 16, 9));
    EXPECT_EQ(read(folder / "stack.tif", 3).error, folder / "stack.tif: has 3 pages; page 4 does not exist");

    for (const std::string name : {"one.png", "one.tif"}) {
        writeGreyImage(folder / name, GreyImage(1, 1, {5}));
        EXPECT_EQ(countPages(folder / name), 1u);
        EXPECT_EQ(read(folder / name, 1).error, folder / name + ": has 1 page; page 2 does not exist");
    }
}

TEST(ImageFile, ColourBecomesWeightedGreyWithAWarning)
{
    TempFolder folder;
    // Rows after their filter byte: one RGBA pixel; two 1-bit indices into a palette of black, red.
    const std::string rgba("\0\x0a\xc8\x1e\x80", 5), indices("\0\x80", 2), palette("\0\0\0\xff\0\0", 6);
    writeBytes(folder / "c.png", crafted::png(1, 1, 8, 6, crafted::deflated(rgba)));
    writeBytes(folder / "p.png", crafted::png(2, 1, 1, 3, crafted::deflated(indices), palette));
    writeTiff(folder / "c.tif", {{1, 1, 16, 1, bytesOf(Pixels{1000, 2000, 3000}), 3, PHOTOMETRIC_RGB}});
    Pixels colourMap(3 * 256, 0);
    colourMap[2] = 40000, colourMap[256 + 2] = 10000;  // red and green of entry 2
    writeTiff(folder / "p.tif", {{1, 1, 8, 1, {2}, 1, PHOTOMETRIC_PALETTE, 0, colourMap}});

    const Read c = read(folder / "c.png"), p = read(folder / "p.png");
    EXPECT_EQ(c.image.pixels, Pixels{124});  // 0.299 * 10 + 0.587 * 200 + 0.114 * 30 = 123.81
    EXPECT_EQ(c.warnings, std::vector<std::string>{folder / "c.png: colour image converted to grey (grey = 0.299 R + "
                                                            "0.587 G + 0.114 B); alpha channel dropped"});
    EXPECT_EQ(p.image.pixels, (Pixels{76, 0}));  // 0.299 * 255 = 76.245
    ASSERT_EQ(p.warnings.size(), 1u);
    EXPECT_NE(p.warnings[0].find("palette image expanded and converted to grey"), std::string::npos);
    // 299 + 1174 + 342; the colour map's values as stored: 0.299 * 40000 + 0.587 * 10000
    const std::vector<std::pair<std::string, std::uint16_t>> tiffs = {{"c.tif", 1815}, {"p.tif", 17830}};
    for (const auto& [name, grey] : tiffs) {
        const Read tiff = read(folder / name);
        EXPECT_EQ(tiff.image.pixels, Pixels{grey}) << name;
        EXPECT_EQ(tiff.warnings.size(), 1u) << name;
    }

    // JPEG: flat 8 x 8 blocks survive quality 100 exactly; colour after YCbCr rounding.
    std::vector<unsigned char> grey(16 * 8), colour(16 * 8 * 3);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<unsigned char>(i < 64 ? 40 : 200);
    for (std::size_t i = 0; i < colour.size(); i += 3)
        colour[i] = 200, colour[i + 1] = 100, colour[i + 2] = 50;
    writeBytes(folder / "g.jpg", crafted::jpeg(16, 8, 1, grey));
    writeBytes(folder / "c.jpeg", crafted::jpeg(16, 8, 3, colour, true));
    const Read g = read(folder / "g.jpg");
    EXPECT_EQ(std::make_tuple(g.image.rows, g.image.cols, g.image.bitsPerSample, g.image.pixels[0], g.warnings.size()),
              std::make_tuple(8, 16, 8, 40, 0u));
    const Read cj = read(folder / "c.jpeg");
    for (std::uint16_t v : cj.image.pixels)  // 0.299 * 200 + 0.587 * 100 + 0.114 * 50 = 124.2
        EXPECT_NEAR(v, 124, 2);
    ASSERT_EQ(cj.warnings.size(), 1u);
    EXPECT_NE(cj.warnings[0].find("colour image converted to grey"), std::string::npos);
}

TEST(ImageFile, WideSamplesNeedTheRescaleWhichMapsMinToMax)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    TempFolder folder;
    writeTiff(folder / "f.tif",
              {{6, 1, 32, SAMPLEFORMAT_IEEEFP, bytesOf(std::vector<float>{-1.5f, 0.5f, 2.5f, nan, inf, -inf})}});
    writeTiff(folder / "i.tif", {{3, 1, 32, SAMPLEFORMAT_INT, bytesOf(std::vector<std::int32_t>{-70000, 0, 70000})}});
    writeTiff(folder / "u.tif", {{2, 1, 32, SAMPLEFORMAT_UINT, bytesOf(std::vector<std::uint32_t>{7, 7})}});
    writeTiff(folder / "s.tif", {{2, 1, 16, SAMPLEFORMAT_INT, bytesOf(std::vector<std::int16_t>{-2, 1})}});
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
        EXPECT_EQ(read(folder / c.name).error, folder / c.name + ": TIFF samples are " + c.samples +
                                                   "; read them with --rescale, which maps their min..max linearly "
                                                   "onto 0..65535");
        const Read r = read(folder / c.name, 0, true);
        EXPECT_EQ(r.image.pixels, c.pixels) << c.name;
        EXPECT_EQ(r.image.rescaledFrom, c.from) << c.name;
    }
    const Read plain = read(folder / "u.tif", 0, true);
    EXPECT_EQ(std::tie(plain.image.bitsPerSample, plain.image.sampleFormat), std::make_tuple(32, "unsigned"));
    writeGreyImage(folder / "g.tif", GreyImage(1, 2, {3, 4}));
    EXPECT_FALSE(read(folder / "g.tif", 0, true).image.rescaledFrom) << "16-bit values stay as stored";
}

TEST(ImageFile, PixelSizeComesFromTheResolutionAndGoesBackIntoTiffOutputs)
{
    TempFolder folder;
    struct Case {
        const char* description;
        float resolution;
        std::uint16_t unit;
        double x, y;             // pixel size
        const char* sizeUnit;    // "": none known
    };
    const std::vector<Case> cases = {
        {nullptr, 10000.0f, RESUNIT_CENTIMETER, 1.0, 0.5, "um"},
        {nullptr, 254.0f, RESUNIT_INCH, 100.0, 50.0, "um"},
        {"ImageJ=1.54f\nunit=micron\n", 4.0f, RESUNIT_NONE, 0.25, 0.125, "um"},
        {"ImageJ=1.54f\nunit=\\u00B5m\n", 2.0f, 0, 0.5, 0.25, "um"},
        {"unit=nm", 0.5f, RESUNIT_NONE, 0.002, 0.001, "um"},
        {"unit=furlong", 2.0f, RESUNIT_NONE, 0.5, 0.25, "furlong"},
        {"ImageJ=1.54f\nunit=pixel\n", 1.0f, RESUNIT_NONE, 0, 0, ""},
        {nullptr, 72.0f, 0, 0, 0, ""},  // no unit: 72 "dpi" is not a size
    };
    for (const Case& c : cases) {
        TiffPage page{1, 1, 8, SAMPLEFORMAT_UINT, {0}};
        page.description = c.description, page.resolution = c.resolution, page.unit = c.unit;
        writeTiff(folder / "in.tif", {page});
        const GreyImage image = read(folder / "in.tif").image;
        SCOPED_TRACE(std::to_string(c.resolution) + " " + (c.description ? c.description : ""));
        ASSERT_TRUE(image.resolution);
        EXPECT_EQ(image.pixelScale.has_value(), *c.sizeUnit != '\0');
        if (image.pixelScale) {
            EXPECT_NEAR(image.pixelScale->x, c.x, 1e-9);
            EXPECT_NEAR(image.pixelScale->y, c.y, 1e-9);
            EXPECT_EQ(image.pixelScale->unit, c.sizeUnit);
        }
        // A painted result written as TIFF keeps the tags, so the size reads back the same.
        writeGreyImage(folder / "out.tif", image);
        const GreyImage back = read(folder / "out.tif").image;
        EXPECT_EQ(back.pixelScale.has_value(), image.pixelScale.has_value());
        if (back.pixelScale) {
            EXPECT_DOUBLE_EQ(back.pixelScale->x, image.pixelScale->x);
        }
    }
}

TEST(ImageFile, UnreadableFilesNameTheFileAndTheReason)
{
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe.pgm").c_str(), 0600), 0);
    ::mkdir((folder / "dir.png").c_str(), 0700);
    EXPECT_EQ(read("/dev/null").error, "/dev/null: is a device, not a regular file");
    const std::vector<std::array<std::string, 3>> cases = {  // name, content, reason
        {"missing.tif", "", "cannot open (No such file or directory)"},
        {"pipe.pgm", "", "is a FIFO (named pipe), not a regular file"},
        {"dir.png", "", "is a folder, not an image file"},
        {"empty.png", "", "empty file (0 bytes)"},
        {"text.tif", "hello, this is not an image", "not a supported image (expected TIFF, PNG, JPEG or binary PGM)"},
        {"ascii.pgm", "P2\n1 1\n255\n7\n", "netpbm type P2 is not supported (only binary grey PGM, P5, is read)"},
        {"glued.pgm", "P54 4 255\n" + std::string(16, 'a'),
         "not a valid PGM file: no white space after the magic number P5"},
        {"letter.pgm", "P5 4x 4 255\n" + std::string(16, 'a'), "not a valid PGM file: bad header (width is not a number)"},
        {"zero.pgm", "P5\n0 4\n255\n", "zero-sized image (width 0, height 4)"},
        {"short.pgm", "P5\n4 4\n255\nabc", "truncated PGM file (3 of 16 bytes of pixel data)"},
        {"over.pgm", "P5\n1 1\n100\n\xc8", "not a valid PGM file: sample 200 exceeds maxval 100"},
        {"empty.jpg", crafted::withJpegSize(crafted::jpeg(2, 2, 1, {1, 2, 3, 4}), 0, 0),
         "corrupt, truncated or unsupported JPEG file (Empty JPEG image (DNL not supported))"}};
    for (const auto& [name, content, reason] : cases) {
        if (!content.empty() || name == "empty.png")
            writeBytes(folder / name, content);
        EXPECT_EQ(read(folder / name).error, folder / name + ": " + reason);
    }
}

// Cut in half: libtiff's, libpng's and libjpeg's own words follow ours in brackets.
// Messages are kept per handle: reads of broken files on several threads at
// once each report their own file and reason.
TEST(ImageFile, TruncatedFilesKeepTheirOwnMessagesOnEveryThread)
{
    TempFolder folder;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"a.tif", "truncated or corrupt TIFF file ("}, {"b.png", "corrupt or truncated PNG file ("},
        {"c.jpg", "corrupt, truncated or unsupported JPEG file ("}, {"d.tif", "truncated or corrupt TIFF file ("}};
    std::vector<unsigned char> noise(64 * 64);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<unsigned char>(i * 7919 % 251);
    for (const auto& [name, reason] : files) {
        if (name == "c.jpg")
            writeBytes(folder / name, crafted::jpeg(64, 64, 1, noise));
        else
            writeGreyImage(folder / name, GreyImage(64, 64, Pixels(noise.begin(), noise.end())));
        const std::string bytes = readBytes(folder / name);
        writeBytes(folder / name, bytes.substr(0, bytes.size() / 2));
    }
    std::vector<std::string> errors(files.size() * 8);
    std::vector<std::thread> threads;
    testing::internal::CaptureStderr();
    for (std::size_t i = 0; i < errors.size(); ++i)
        threads.emplace_back([&, i] {
            errors[i] = read(folder / files[i % files.size()].first, 0, false, false).error;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the libraries print nothing themselves";
    for (std::size_t i = 0; i < errors.size(); ++i)
        EXPECT_EQ(errors[i], errors[i % files.size()]) << "same file, same message";
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(errors[i].rfind(folder / files[i].first + ": " + files[i].second, 0), 0u) << errors[i];
}

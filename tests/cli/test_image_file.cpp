#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/image_file.h"
#include "image_fixtures.h"
#include "temp_folder.h"

namespace {

using Pixels = std::vector<std::uint16_t>;

GreyImage sampleImage()
{
    return {2, 3, {0, 1, 255, 256, 0x1234, 65535}};
}

// Reads `path`, checking that libtiff and libpng print nothing themselves.
GreyImage readQuietly(const std::string& path, std::vector<std::string>& warnings)
{
    testing::internal::CaptureStderr();
    try {
        GreyImage image = readGreyImage(path, warnings);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        return image;
    } catch (...) {
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        throw;
    }
}

Pixels pixelsOf(const std::string& path)
{
    std::vector<std::string> warnings;
    return readQuietly(path, warnings).pixels;
}

std::string readError(const std::string& path)
{
    std::vector<std::string> warnings;
    try {
        readQuietly(path, warnings);
    } catch (const ImageFileError& error) {
        return error.what();
    }
    return "no error";
}

std::size_t filesIn(const TempFolder& folder)
{
    const std::filesystem::directory_iterator files(folder.path());
    return static_cast<std::size_t>(std::distance(begin(files), end(files)));
}

}  // namespace

TEST(ImageFile, EachFormatRoundTripsSixteenBitValues)
{
    for (const char* name : {"a.tif", "b.TIFF", "c.png", "d.pgm"}) {
        TempFolder folder;
        writeBytes(folder / name, "an older file is replaced");
        writeGreyImage(folder / name, sampleImage());
        std::vector<std::string> warnings;
        const GreyImage back = readQuietly(folder / name, warnings);
        EXPECT_EQ(back.rows, 2) << name;
        EXPECT_EQ(back.cols, 3) << name;
        EXPECT_EQ(back.pixels, sampleImage().pixels) << name;
        EXPECT_TRUE(warnings.empty()) << name;
        EXPECT_EQ(filesIn(folder), 1u) << name << ": no temporary file is left behind";
    }
    EXPECT_EQ(formatFromPath("dir.x/IMG.Tif"), ImageFormat::Tiff);
    EXPECT_THROW(formatFromPath("image.jpg"), ImageFileError);
    TempFolder folder;
    EXPECT_THROW(writeGreyImage(folder / "missing/x.png", sampleImage()), ImageFileError);
    EXPECT_EQ(filesIn(folder), 0u);
}

TEST(ImageFile, WrittenFilesHaveTheDocumentedLayout)
{
    TempFolder folder;
    writeGreyImage(folder / "x.pgm", sampleImage());
    EXPECT_EQ(readBytes(folder / "x.pgm"),
              std::string("P5\n3 2\n65535\n\0\0\0\x01\0\xff\x01\0\x12\x34\xff\xff", 25));

    writeGreyImage(folder / "x.tif", sampleImage());
    TIFF* tif = TIFFOpen((folder / "x.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    auto field = [tif](ttag_t tag) {
        std::uint16_t value = 0;
        TIFFGetFieldDefaulted(tif, tag, &value);
        return value;
    };
    EXPECT_EQ(field(TIFFTAG_BITSPERSAMPLE), 16);
    EXPECT_EQ(field(TIFFTAG_SAMPLESPERPIXEL), 1);
    EXPECT_EQ(field(TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISBLACK);
    EXPECT_EQ(field(TIFFTAG_COMPRESSION), COMPRESSION_NONE);
    TIFFClose(tif);
}

TEST(ImageFile, StoredValuesAreKeptUnscaled)
{
    TempFolder folder;
    writeBytes(folder / "g.pgm", std::string("P5 # comment\n2 1\n255\n\xc8\x07"));
    writeBytes(folder / "m.pgm", std::string("P5\n2 1\n1000\n\x03\xe8\x00\x07", 16));  // two bytes, big-endian
    writeTiffFixture(folder / "g.tif", {2, 1, 8, 1, PHOTOMETRIC_MINISBLACK, 1, 0, 1, {200, 7}, {}});
    writePngFixture(folder / "g.png", {2, 1, 8, PNG_GREY, {200, 7}, {}});
    writePngFixture(folder / "w.png", {2, 1, 16, PNG_GREY, {0x1234, 7}, {}});
    for (const char* name : {"g.pgm", "g.tif", "g.png"})
        EXPECT_EQ(pixelsOf(folder / name), (Pixels{200, 7})) << name;
    EXPECT_EQ(pixelsOf(folder / "m.pgm"), (Pixels{1000, 7}));
    EXPECT_EQ(pixelsOf(folder / "w.png"), (Pixels{0x1234, 7}));
}

TEST(ImageFile, ColourBecomesWeightedGreyWithAWarning)
{
    TempFolder folder;
    writePngFixture(folder / "c.png", {1, 1, 8, PNG_RGB_ALPHA, {10, 200, 30, 128}, {}});
    writePngFixture(folder / "p.png", {2, 1, 8, PNG_PALETTE, {1, 0}, {0, 0, 0, 255, 0, 0}});
    writeTiffFixture(folder / "c.tif", {1, 1, 16, 3, PHOTOMETRIC_RGB, 1, 0, 1, {1000, 2000, 3000}, {}});
    std::vector<std::uint16_t> colourMap(3 * 256, 0);
    colourMap[2] = 40000;        // red of entry 2
    colourMap[256 + 2] = 10000;  // green of entry 2
    writeTiffFixture(folder / "p.tif", {1, 1, 8, 1, PHOTOMETRIC_PALETTE, 1, 0, 1, {2}, colourMap});

    std::vector<std::string> warnings;
    // 0.299 * 10 + 0.587 * 200 + 0.114 * 30 = 123.81
    EXPECT_EQ(readQuietly(folder / "c.png", warnings).pixels, Pixels{124});
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], folder / "c.png: colour image converted to grey "
                                    "(grey = 0.299 R + 0.587 G + 0.114 B); alpha channel dropped");
    // 0.299 * 255 = 76.245
    EXPECT_EQ(readQuietly(folder / "p.png", warnings).pixels, (Pixels{76, 0}));
    EXPECT_NE(warnings.at(1).find("palette image expanded and converted to grey"), std::string::npos);
    EXPECT_EQ(readQuietly(folder / "c.tif", warnings).pixels, Pixels{1815});  // 299 + 1174 + 342
    // The colour map's values as stored: 0.299 * 40000 + 0.587 * 10000 = 17830
    EXPECT_EQ(readQuietly(folder / "p.tif", warnings).pixels, Pixels{17830});
    EXPECT_EQ(warnings.size(), 4u);
}

TEST(ImageFile, TiledTiffWithSeveralPages)
{
    TempFolder folder;
    TiffFixture tiled{20, 18, 16, 1, PHOTOMETRIC_MINISBLACK, 1, 16, 3, {}, {}};  // tiles overhang
    for (int i = 0; i < 20 * 18; ++i)
        tiled.samples.push_back(static_cast<std::uint16_t>(i * 150));
    writeTiffFixture(folder / "t.tif", tiled);
    std::vector<std::string> warnings;
    const GreyImage image = readQuietly(folder / "t.tif", warnings);
    EXPECT_EQ(image.rows, 18);
    EXPECT_EQ(image.cols, 20);
    EXPECT_EQ(image.pixels, tiled.samples);
    EXPECT_EQ(warnings, std::vector<std::string>{folder / "t.tif: TIFF has 3 pages; only the first is read"});
}

TEST(ImageFile, UnreadableFilesNameTheFileAndTheReason)
{
    TempFolder folder;
    writeBytes(folder / "empty.png", "");
    writeBytes(folder / "text.tif", "hello, this is not an image");
    writeBytes(folder / "ascii.pgm", "P2\n1 1\n255\n7\n");
    writeBytes(folder / "zero.pgm", "P5\n0 4\n255\n");
    writeBytes(folder / "huge.pgm", "P5\n429496730 1\n255\n");
    writeBytes(folder / "short.pgm", "P5\n4 4\n255\nabc");
    writeBytes(folder / "over.pgm", "P5\n1 1\n100\n\xc8");
    writeTiffFixture(folder / "f.tif", {1, 1, 32, 1, PHOTOMETRIC_MINISBLACK, SAMPLEFORMAT_IEEEFP, 0, 1, {0, 0}, {}});
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.tif", "cannot open (No such file or directory)"},
        {"empty.png", "empty file (0 bytes)"},
        {"text.tif", "not a supported image (expected TIFF, PNG or binary PGM)"},
        {"ascii.pgm", "netpbm type P2 is not supported (only binary grey PGM, P5, is read)"},
        {"zero.pgm", "zero-sized image (width 0, height 4)"},
        {"huge.pgm", "image too large (width 429496730, height 1; at most 429496729 pixels are accepted)"},
        {"short.pgm", "truncated PGM file (3 of 16 bytes of pixel data)"},
        {"over.pgm", "not a valid PGM file: sample 200 exceeds maxval 100"},
        {"f.tif", "unsupported TIFF samples (floating-point); only unsigned 8- or 16-bit integer samples are read"}};
    for (const auto& [name, reason] : cases)
        EXPECT_EQ(readError(folder / name), folder / name + ": " + reason);

    // Cut in half: libtiff's and libpng's own words follow ours in brackets.
    const GreyImage big{64, 64, Pixels(64 * 64, 1234)};
    for (const std::string name : {"big.tif", "big.png"}) {
        writeGreyImage(folder / name, big);
        const std::string bytes = readBytes(folder / name);
        writeBytes(folder / name, bytes.substr(0, bytes.size() / 2));
        const std::string expected = name == "big.tif" ? ": truncated or corrupt TIFF file ("
                                                        : ": corrupt or truncated PNG file (";
        EXPECT_EQ(readError(folder / name).rfind(folder / name + expected, 0), 0u) << readError(folder / name);
    }
}

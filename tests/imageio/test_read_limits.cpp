// Files that declare more than they hold, more than the limits allow, or
// endless work (a JPEG of 600 scans): each is refused early, before the
// buffers are allocated, with a message naming the file, what it declared and
// the limit with the option that raises it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imageio/crafted_files.h"
#include "imageio/image_file.h"
#include "support/temp_folder.h"
#include "support/thrown_message.h"
#include "support/tiff_writer.h"

using namespace kestrano;

namespace {

struct Refusal {
    std::string name;
    std::string bytes;
    ReadLimits limits;
    bool tooLarge;       // ImageTooLargeError rather than a plain ImageFileError
    std::string reason;  // after "<path>: "; a "*" stands for figures that depend on the library's version
};

bool matches(const std::string& text, const std::string& pattern)
{
    const std::size_t star = pattern.find('*');
    if (star == std::string::npos)
        return text == pattern;
    const std::string head = pattern.substr(0, star), tail = pattern.substr(star + 1);
    return text.size() >= head.size() + tail.size() && text.compare(0, head.size(), head) == 0 &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TEST(ReadLimits, DeclaredSizesAreCheckedBeforeAllocating)
{
    const ReadLimits usual{maxGreyImagePixels, 1ull << 30};
    TempFolder folder;
    const auto tiff = [&](TiffPage page) {
        page.raw = true;
        writeTiff(folder / "page.tif", {page});
        return readBytes(folder / "page.tif");
    };
    // 16 x 16 floats in one 65536 x 65536 tile: 16 GiB to decode it
    TiffPage tiles{16, 16, 32, SAMPLEFORMAT_IEEEFP, std::vector<unsigned char>(100)};
    tiles.tileSize = 65536, tiles.compression = COMPRESSION_ADOBE_DEFLATE;
    // 20000 x 20000, 8 bit, uncompressed, 10 bytes of data; then deflated: 1032 times the data at most
    const std::string strips = tiff({20000, 20000, 8, SAMPLEFORMAT_UINT, std::vector<unsigned char>(10)});
    TiffPage deflated{20000, 20000, 8, SAMPLEFORMAT_UINT, std::vector<unsigned char>(100)};
    deflated.compression = COMPRESSION_ADOBE_DEFLATE;
    const std::string zeros3000 = crafted::deflated(std::string(3000 * 3001, '\0'));  // filter byte per row
    const std::string smallJpeg = crafted::jpeg(8, 8, 1, std::vector<unsigned char>(64, 100));

    const std::vector<Refusal> cases = {
        {"tiles.tif", tiff(tiles), usual, true,
         "image too large: reading it needs 17,179,869,184 bytes for a 65536 x 65536 tile on top of * already "
         "taken; the memory limit is 1,073,741,824 bytes (raise it with --max-memory)"},
        {"strips.tif", strips, usual, false,
         "truncated or corrupt: it declares 400,000,000 bytes of pixel data but the file holds only " +
             std::to_string(strips.size())},
        {"bomb.tif", tiff(deflated), usual, false,
         "truncated or corrupt: it declares 400,000,000 bytes of pixel data but its 100 bytes can hold at most "
         "103,200"},
        {"wide.tif", tiff(deflated), ReadLimits{1000000, 1ull << 30}, true,
         "image too large: it declares 20000 x 20000 pixels (400,000,000); the limit is 1,000,000 pixels (raise it "
         "with --max-pixels)"},
        {"huge.png", crafted::png(20000, 20000, 8, 0, crafted::deflated(std::string(100, '\0'))), usual, false,
         "truncated or corrupt: it declares 400,000,000 bytes of compressed pixel data but its 69 bytes can hold "
         "at most 71,208"},
        {"bomb.png", crafted::png(3000, 3000, 8, 0, zeros3000), ReadLimits{maxGreyImagePixels, 1 << 20}, true,
         "image too large: reading it needs 18,000,000 bytes for the pixels on top of * already taken; the memory "
         "limit is 1,048,576 bytes (raise it with --max-memory)"},
        {"giant.png", crafted::png(70000, 70000, 16, 0, ""), usual, true,
         "image too large: it declares 70000 x 70000 pixels, more than the 429,496,729 pixels an image can have"},
        {"limit.pgm", "P5\n10 11\n255\n" + std::string(110, '\x07'), ReadLimits{109, 1ull << 30}, true,
         "image too large: it declares 10 x 11 pixels (110); the limit is 109 pixels (raise it with --max-pixels)"},
        {"largest.pgm", "P5\n429496729 1\n255\n", usual, false,
         "truncated PGM file (0 of 429496729 bytes of pixel data)"},
        {"past.pgm", "P5\n429496730 1\n255\n", ReadLimits{maxGreyImagePixels + 5, 1ull << 30}, true,
         "image too large: it declares 429496730 x 1 pixels, more than the 429,496,729 pixels an image can have"},
        {"empty.pgm", "P5\n20000 20000\n255\n", usual, false,
         "truncated PGM file (0 of 400000000 bytes of pixel data)"},
        {"huge.jpg", crafted::withJpegSize(smallJpeg, 20000, 20000), usual, false,
         "truncated or corrupt: it declares 781,250 bytes of compressed data (one bit per 8 x 8 block at least) "
         "but the file holds only " + std::to_string(smallJpeg.size())},
        {"scans.jpg", crafted::withRepeatedLastScan(crafted::jpeg(16, 16, 3, std::vector<unsigned char>(768, 9), true), 600),
         usual, false, "corrupt, truncated or unsupported JPEG file (more than 500 progressive scans)"},
        {"big.jpg", crafted::jpeg(256, 256, 1, std::vector<unsigned char>(256 * 256, 7)), ReadLimits{1 << 20, 100000},
         true, "image too large: reading it needs 131,072 bytes for the pixels on top of * already taken; the memory "
         "limit is 100,000 bytes (raise it with --max-memory)"},
    };
    for (const Refusal& c : cases) {
        writeBytes(folder / c.name, c.bytes);
        std::vector<std::string> warnings;
        ReadOptions options;
        options.rescale = true;
        options.limits = c.limits;
        try {
            readGreyImage(folder / c.name, warnings, options);
            ADD_FAILURE() << c.name << " was read";
        } catch (const ImageFileError& error) {
            EXPECT_EQ(dynamic_cast<const ImageTooLargeError*>(&error) != nullptr, c.tooLarge) << c.name;
            EXPECT_PRED2(matches, error.what(), folder / c.name + ": " + c.reason);
        }
    }
}

// The budget counts what the reader allocates, byte for byte: exactly enough
// reads, one byte less is refused.
TEST(ReadLimits, TheMemoryBudgetIsExact)
{
    TempFolder folder;
    writeBytes(folder / "a.pgm", "P5\n64 32\n255\n" + std::string(64 * 32, '\x07'));
    std::vector<std::string> warnings;
    ReadOptions options;
    options.limits.maxBytes = BUFSIZ + 2 * 64 * 32 + 64;  // the stream's buffer, the pixels and one row
    EXPECT_EQ(readGreyImage(folder / "a.pgm", warnings, options).pixels.size(), 64u * 32u);
    options.limits.maxBytes -= 1;
    EXPECT_THROW(readGreyImage(folder / "a.pgm", warnings, options), ImageTooLargeError);
    // So is the pixel limit: 64 x 32 pixels read with a limit of 2048, not 2047.
    options.limits = ReadLimits{64 * 32, 1ull << 30};
    EXPECT_EQ(readGreyImage(folder / "a.pgm", warnings, options).pixels.size(), 64u * 32u);
    options.limits.maxPixels -= 1;
    EXPECT_THROW(readGreyImage(folder / "a.pgm", warnings, options), ImageTooLargeError);

    // libpng's and libtiff's own allocations count too: a tiny budget stops them.
    writeGreyImage(folder / "b.png", GreyImage(64, 64, std::vector<std::uint16_t>(64 * 64, 9)));
    writeGreyImage(folder / "b.tif", GreyImage(64, 64, std::vector<std::uint16_t>(64 * 64, 9)));
    options.limits.maxBytes = 2 * 64 * 64 + 1000;
    for (const char* name : {"b.png", "b.tif"}) {
        const std::string message =
            thrownMessage<ImageTooLargeError>([&] { readGreyImage(folder / name, warnings, options); });
        EXPECT_NE(message.find("(raise it with --max-memory)"), std::string::npos) << name << ": " << message;
    }
}

// Binary PGM (P5): a text header "P5 width height maxval" with optional
// comments, one white-space character, then the samples, one byte each up to
// maxval 255 and two bytes big-endian above.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imageio/image_codecs.h"
#include "imageio/image_extent.h"

namespace kestrano {

namespace {

bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class PgmHeaderReader {
public:
    PgmHeaderReader(const std::string& path, std::FILE* file) : path_(path), file_(file) {}

    // The next header number; white space and '#' comments before it are skipped.
    std::uint64_t number(const char* what)
    {
        int c = std::fgetc(file_);
        while (isBlank(c) || c == '#') {
            if (c == '#')
                while (c != '\n' && c != '\r' && c != EOF)
                    c = std::fgetc(file_);
            c = std::fgetc(file_);
        }
        if (c == EOF)
            fail(std::string("truncated header (no ") + what + ")");
        if (c < '0' || c > '9')
            fail(std::string("bad header (") + what + " is not a number)");
        std::uint64_t value = 0;
        while (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
            if (value > 0xFFFFFFFFull)
                fail(std::string("bad header (") + what + " is too large)");
            c = std::fgetc(file_);
        }
        last_ = c;
        return value;
    }

    // The character that ended the last number; the raster follows the single
    // white-space character after maxval.
    int lastCharacter() const { return last_; }

    [[noreturn]] void fail(const std::string& reason) const
    {
        throw ImageFileError(path_ + ": not a valid PGM file: " + reason);
    }

private:
    const std::string& path_;
    std::FILE* file_;
    int last_ = EOF;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

GreyImage readPgm(const std::string& path, std::FILE* file)
{
    char magic[2];
    if (std::fread(magic, 1, 2, file) != 2 || magic[0] != 'P' || magic[1] != '5')
        throw ImageFileError(path + ": not a valid PGM file");
    PgmHeaderReader header(path, file);
    const std::uint64_t width = header.number("width");
    const std::uint64_t height = header.number("height");
    const std::uint64_t maxval = header.number("maxval");
    if (!isBlank(header.lastCharacter()))
        header.fail("no white space after maxval");
    if (maxval < 1 || maxval > 65535)
        header.fail("maxval " + std::to_string(maxval) + " is outside 1 to 65535");
    checkImageExtent(path, width, height);

    GreyImage image;
    image.rows = static_cast<std::int32_t>(height);
    image.cols = static_cast<std::int32_t>(width);
    const std::size_t count = static_cast<std::size_t>(width * height);
    const std::size_t bytesPerSample = maxval > 255 ? 2 : 1;
    std::vector<unsigned char> raster(count * bytesPerSample);
    const std::size_t got = std::fread(raster.data(), 1, raster.size(), file);
    if (got != raster.size())
        throw ImageFileError(path + ": truncated PGM file (" + std::to_string(got) + " of " +
                             std::to_string(raster.size()) + " bytes of pixel data)");
    image.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned value = bytesPerSample == 2 ? (raster[2 * i] << 8u) | raster[2 * i + 1] : raster[i];
        if (value > maxval)
            throw ImageFileError(path + ": not a valid PGM file: sample " + std::to_string(value) +
                                 " exceeds maxval " + std::to_string(maxval));
        image.pixels[i] = static_cast<std::uint16_t>(value);
    }
    return image;
}

void writePgm(const std::string& tempPath, const std::string& shownPath, const GreyImage& image)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(tempPath.c_str(), "wb"));
    if (!file)
        throw ImageFileError(shownPath + ": cannot write (" + std::strerror(errno) + ")");
    bool ok = std::fprintf(file.get(), "P5\n%d %d\n65535\n", image.cols, image.rows) > 0;
    std::vector<unsigned char> row(static_cast<std::size_t>(image.cols) * 2);
    for (std::int32_t r = 0; ok && r < image.rows; ++r) {
        const std::uint16_t* values = image.pixels.data() + static_cast<std::size_t>(r) * image.cols;
        for (std::int32_t c = 0; c < image.cols; ++c) {
            row[2 * c] = static_cast<unsigned char>(values[c] >> 8);
            row[2 * c + 1] = static_cast<unsigned char>(values[c] & 0xFF);
        }
        ok = std::fwrite(row.data(), 1, row.size(), file.get()) == row.size();
    }
    const int reason = errno;
    std::FILE* raw = file.release();
    if (std::fclose(raw) != 0 || !ok)
        throw ImageFileError(shownPath + ": cannot write (" + std::strerror(ok ? errno : reason) + ")");
}

}  // namespace kestrano

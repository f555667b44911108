// Binary PGM (P5): a text header "P5 width height maxval" with optional
// comments, one white-space character, then the samples, one byte each up to
// maxval 255 and two bytes big-endian above.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imageio/image_codecs.h"

namespace kestrano {

namespace {

bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class PgmHeaderReader {
public:
    PgmHeaderReader(const std::string& path, std::FILE* file) : path_(path), file_(file) {}

    // The magic number, followed by white space or a comment ("P54 4 255" is not a PGM).
    void magic()
    {
        char bytes[2];
        if (std::fread(bytes, 1, 2, file_) != 2 || bytes[0] != 'P' || bytes[1] != '5')
            fail("no P5 magic number");
        last_ = std::fgetc(file_);
        if (!isBlank(last_) && last_ != '#')
            fail("no white space after the magic number P5");
    }

    // The next header number; white space and '#' comments before it are
    // skipped, including a comment that starts right after the previous number.
    std::uint64_t number(const char* what)
    {
        int c = last_;
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
        if (c != EOF && !isBlank(c) && c != '#')
            fail(std::string("bad header (") + what + " is not a number)");
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

GreyImage readPgm(ReadRequest& request)
{
    const std::string& path = request.path();
    std::FILE* file = request.file.stream();
    PgmHeaderReader header(path, file);
    header.magic();
    const std::uint64_t width = header.number("width");
    const std::uint64_t height = header.number("height");
    const std::uint64_t maxval = header.number("maxval");
    if (!isBlank(header.lastCharacter()))
        header.fail("no white space after maxval");
    if (maxval < 1 || maxval > 65535)
        header.fail("maxval " + std::to_string(maxval) + " is outside 1 to 65535");
    request.budget.checkPixels(width, height);

    const std::size_t count = static_cast<std::size_t>(width * height);
    const std::size_t bytesPerSample = maxval > 255 ? 2 : 1;
    const std::uint64_t rasterBytes = static_cast<std::uint64_t>(count) * bytesPerSample;
    const std::uint64_t left = request.file.bytesLeft();
    if (rasterBytes > left)  // before anything is allocated
        throw ImageFileError(path + ": truncated PGM file (" + std::to_string(left) + " of " +
                             std::to_string(rasterBytes) + " bytes of pixel data)");
    const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerSample;
    request.budget.reserve(2 * static_cast<std::uint64_t>(count), "the pixels");
    request.budget.reserve(rowBytes, "a row");

    GreyImage image;
    image.rows = static_cast<std::int32_t>(height);
    image.cols = static_cast<std::int32_t>(width);
    image.bitsPerSample = bytesPerSample == 2 ? 16 : 8;
    image.pixels.resize(count);
    std::vector<unsigned char> row(rowBytes);
    std::uint16_t* out = image.pixels.data();
    for (std::uint64_t r = 0; r < height; ++r) {
        const std::size_t got = std::fread(row.data(), 1, rowBytes, file);
        if (got != rowBytes)  // the file shrank since it was opened
            throw ImageFileError(path + ": truncated PGM file (" + std::to_string(r * rowBytes + got) + " of " +
                                 std::to_string(rasterBytes) + " bytes of pixel data)");
        for (std::size_t c = 0; c < width; ++c) {
            const unsigned value = bytesPerSample == 2 ? (row[2 * c] << 8u) | row[2 * c + 1] : row[c];
            if (value > maxval)
                throw ImageFileError(path + ": not a valid PGM file: sample " + std::to_string(value) +
                                     " exceeds maxval " + std::to_string(maxval));
            *out++ = static_cast<std::uint16_t>(value);
        }
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

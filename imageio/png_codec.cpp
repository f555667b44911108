// PNG through libpng. libpng reports errors by longjmp, so every call into it
// happens in small functions that hold no C++ objects: the jump cannot skip a
// destructor. Their callers own all memory and release it in the usual way.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "imageio/colour_to_grey.h"
#include "imageio/image_codecs.h"
#include "imageio/image_extent.h"

namespace kestrano {

namespace {

struct PngMessage {
    char text[256] = {};
};

void recordErrorAndJump(png_structp png, png_const_charp message)
{
    auto* error = static_cast<PngMessage*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    std::size_t rowBytes = 0;
    png_colorp palette = nullptr;
    int paletteSize = 0;
    bool transparency = false;
};

// Reads up to the image data and sets the unpacking of small palette indices.
bool readHeader(png_structp png, png_infop info, std::FILE* file, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);  // the pixel limit is ours to apply
    png_read_info(png, info);
    int interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType,
                 &interlace, nullptr, nullptr);
    if (header->bitDepth < 8)
        png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    if (header->colourType == PNG_COLOR_TYPE_PALETTE)
        png_get_PLTE(png, info, &header->palette, &header->paletteSize);
    header->transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    return true;
}

bool readRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

bool writeRows(png_structp png, png_infop info, std::FILE* file, const std::uint16_t* pixels,
               png_uint_32 rows, png_uint_32 cols, png_bytep rowBuffer)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, cols, rows, 16, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (png_uint_32 r = 0; r < rows; ++r) {
        const std::uint16_t* values = pixels + static_cast<std::size_t>(r) * cols;
        for (png_uint_32 c = 0; c < cols; ++c) {  // PNG samples are big-endian
            rowBuffer[2 * c] = static_cast<png_byte>(values[c] >> 8);
            rowBuffer[2 * c + 1] = static_cast<png_byte>(values[c] & 0xFF);
        }
        png_write_row(png, rowBuffer);
    }
    png_write_end(png, info);
    return true;
}

// libpng's read or write state with its info block, released on every path.
template <bool Writing>
class PngHandle {
public:
    PngHandle()
    {
        png_ = Writing ? png_create_write_struct(PNG_LIBPNG_VER_STRING, &message_,
                                                 recordErrorAndJump, ignoreWarning)
                       : png_create_read_struct(PNG_LIBPNG_VER_STRING, &message_,
                                                recordErrorAndJump, ignoreWarning);
        if (png_)
            info_ = png_create_info_struct(png_);
        if (!png_ || !info_) {
            release();
            throw std::bad_alloc();
        }
    }
    ~PngHandle() { release(); }
    PngHandle(const PngHandle&) = delete;
    PngHandle& operator=(const PngHandle&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    const char* message() const { return message_.text; }

private:
    void release()
    {
        if (!png_)
            return;
        if (Writing)
            png_destroy_write_struct(&png_, &info_);
        else
            png_destroy_read_struct(&png_, &info_, nullptr);
    }

    PngMessage message_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};
using PngReader = PngHandle<false>;
using PngWriter = PngHandle<true>;

int channelCount(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // grey, or a palette index
    }
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

GreyImage readPng(const std::string& path, std::FILE* file, std::vector<std::string>& warnings)
{
    PngReader reader;
    PngHeader header;
    if (!readHeader(reader.png(), reader.info(), file, &header))
        throw ImageFileError(path + ": corrupt or truncated PNG file (" + reader.message() + ")");
    const int type = header.colourType;
    if (type != PNG_COLOR_TYPE_PALETTE && header.bitDepth < 8)
        throw ImageFileError(path + ": unsupported PNG samples (" + std::to_string(header.bitDepth) +
                             "-bit); only 8- or 16-bit samples are read");
    if (type == PNG_COLOR_TYPE_PALETTE && header.paletteSize == 0)
        throw ImageFileError(path + ": corrupt PNG file (palette image without palette)");
    checkImageExtent(path, header.width, header.height);

    std::vector<png_byte> raster(header.rowBytes * header.height);
    std::vector<png_bytep> rows(header.height);
    for (std::size_t r = 0; r < rows.size(); ++r)
        rows[r] = raster.data() + r * header.rowBytes;
    if (!readRows(reader.png(), rows.data()))
        throw ImageFileError(path + ": corrupt or truncated PNG file (" + reader.message() + ")");

    const std::size_t channels = static_cast<std::size_t>(channelCount(type));
    const bool wide = header.bitDepth == 16;
    auto sample = [&](std::size_t r, std::size_t index) -> std::uint32_t {
        const png_byte* row = rows[r];
        return wide ? (static_cast<std::uint32_t>(row[2 * index]) << 8) | row[2 * index + 1] : row[index];
    };

    GreyImage image;
    image.rows = static_cast<std::int32_t>(header.height);
    image.cols = static_cast<std::int32_t>(header.width);
    image.pixels.resize(static_cast<std::size_t>(header.width) * header.height);
    std::uint16_t* out = image.pixels.data();
    for (std::size_t r = 0; r < header.height; ++r)
        for (std::size_t c = 0; c < header.width; ++c) {
            const std::size_t first = c * channels;
            if (type == PNG_COLOR_TYPE_PALETTE) {
                const std::uint32_t index = sample(r, first);
                if (index >= static_cast<std::uint32_t>(header.paletteSize))
                    throw ImageFileError(path + ": corrupt PNG file (palette index " + std::to_string(index) +
                                         " outside the palette)");
                const png_color& colour = header.palette[index];
                *out++ = weightedGrey(colour.red, colour.green, colour.blue);
            } else if (channels >= 3) {
                *out++ = weightedGrey(sample(r, first), sample(r, first + 1), sample(r, first + 2));
            } else {
                *out++ = static_cast<std::uint16_t>(sample(r, first));
            }
        }

    const bool alphaDropped = (type & PNG_COLOR_MASK_ALPHA) != 0 || header.transparency;
    if (type == PNG_COLOR_TYPE_PALETTE)
        warnings.push_back(paletteWarning(path, alphaDropped));
    else if (channels >= 3)
        warnings.push_back(colourWarning(path, alphaDropped));
    else if (alphaDropped)
        warnings.push_back(alphaWarning(path));
    return image;
}

void writePng(const std::string& tempPath, const std::string& shownPath, const GreyImage& image)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(tempPath.c_str(), "wb"));
    if (!file)
        throw ImageFileError(shownPath + ": cannot write (" + std::strerror(errno) + ")");
    PngWriter writer;
    std::vector<png_byte> rowBuffer(static_cast<std::size_t>(image.cols) * 2);
    if (!writeRows(writer.png(), writer.info(), file.get(), image.pixels.data(),
                   static_cast<png_uint_32>(image.rows), static_cast<png_uint_32>(image.cols), rowBuffer.data()))
        throw ImageFileError(shownPath + ": cannot write PNG (" + writer.message() + ")");
    if (std::fclose(file.release()) != 0)
        throw ImageFileError(shownPath + ": cannot write (" + std::strerror(errno) + ")");
}

}  // namespace kestrano

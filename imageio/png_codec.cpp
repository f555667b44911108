// PNG through libpng. libpng reports errors by longjmp, so every call into it
// happens in small functions that hold no C++ objects: the jump cannot skip a
// destructor. Their callers own all memory and release it in the usual way.
// libpng's own allocations are counted against the read's budget.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "imageio/colour_to_grey.h"
#include "imageio/image_codecs.h"

namespace kestrano {

namespace {

// Per-handle state of libpng's callbacks: the first error, the warnings, and
// (when reading) the budget its own allocations are counted against.
struct PngMessages {
    char text[256] = {};
    std::vector<std::string>* warnings = nullptr;
    ReadBudget* budget = nullptr;
};

void recordErrorAndJump(png_structp png, png_const_charp message)
{
    auto* messages = static_cast<PngMessages*>(png_get_error_ptr(png));
    std::snprintf(messages->text, sizeof messages->text, "%s", message);
    png_longjmp(png, 1);
}

// Colour-profile remarks are about display, not the values read: left out.
void recordWarning(png_structp png, png_const_charp message)
{
    auto* messages = static_cast<PngMessages*>(png_get_error_ptr(png));
    if (!messages->warnings || std::strstr(message, "iCCP") || std::strstr(message, "sRGB") ||
        std::strstr(message, "profile") || messages->warnings->size() >= 20)
        return;
    try {
        messages->warnings->push_back(message);
    } catch (...) {  // never unwind through libpng
    }
}

// libpng's allocations, counted against the read's budget; each block carries
// its size in front so that freeing gives it back.
constexpr std::size_t sizeHeader = alignof(std::max_align_t);

png_voidp countedMalloc(png_structp png, png_alloc_size_t size)
{
    auto* messages = static_cast<PngMessages*>(png_get_mem_ptr(png));
    if (messages->budget && !messages->budget->tryReserve(size))
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + sizeHeader));
    if (!block) {
        if (messages->budget)
            messages->budget->release(size);
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    return block + sizeHeader;
}

void countedFree(png_structp png, png_voidp pointer)
{
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - sizeHeader;
    png_alloc_size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    auto* messages = static_cast<PngMessages*>(png_get_mem_ptr(png));
    if (messages && messages->budget)
        messages->budget->release(size);
    std::free(block);
}

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    int fileChannels = 1;
    std::size_t rowBytes = 0;
    png_colorp palette = nullptr;
    int paletteSize = 0;
    bool transparency = false;
};

// Reads up to the image data.
bool readHeader(png_structp png, png_infop info, std::FILE* file, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);  // the pixel limit is ours to apply
    png_read_info(png, info);
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType,
                 &header->interlace, nullptr, nullptr);
    header->fileChannels = png_get_channels(png, info);
    if (header->colourType == PNG_COLOR_TYPE_PALETTE)
        png_get_PLTE(png, info, &header->palette, &header->paletteSize);
    header->transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    return true;
}

// Sets the unpacking of small palette indices once the size is accepted.
bool startRows(png_structp png, png_infop info, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (header->bitDepth < 8)
        png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Interlaced images need every row at once; others are read row by row.
bool readAllRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

bool readOneRow(png_structp png, png_bytep row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_row(png, row, nullptr);
    return true;
}

bool finishRows(png_structp png)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
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
    explicit PngHandle(ReadBudget* budget = nullptr, std::vector<std::string>* warnings = nullptr)
    {
        messages_.budget = budget;
        messages_.warnings = warnings;
        png_ = Writing ? png_create_write_struct(PNG_LIBPNG_VER_STRING, &messages_, recordErrorAndJump,
                                                 recordWarning)
                       : png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &messages_, recordErrorAndJump,
                                                  recordWarning, &messages_, countedMalloc, countedFree);
        if (png_)
            info_ = png_create_info_struct(png_);
        if (!png_ || !info_) {
            release();
            if (budget && budget->exhausted())
                budget->failExhausted("starting the PNG decoder");
            throw std::bad_alloc();
        }
    }
    ~PngHandle() { release(); }
    PngHandle(const PngHandle&) = delete;
    PngHandle& operator=(const PngHandle&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    const char* message() const { return messages_.text; }

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

    PngMessages messages_;
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

// Deflate cannot expand data more than 1032 times.
constexpr std::uint64_t maxDeflateExpansion = 1032;

}  // namespace

GreyImage readPng(ReadRequest& request)
{
    const std::string& path = request.path();
    ReadBudget& budget = request.budget;
    std::vector<std::string> libpngWarnings;
    PngReader reader(&budget, &libpngWarnings);
    PngHeader header;
    auto fail = [&](const char* what) {
        if (budget.exhausted())
            budget.failExhausted("decoding the PNG");
        throw ImageFileError(path + ": " + what + " (" + reader.message() + ")");
    };
    if (!readHeader(reader.png(), reader.info(), request.file.stream(), &header))
        fail("corrupt or truncated PNG file");
    const int type = header.colourType;
    if (type != PNG_COLOR_TYPE_PALETTE && header.bitDepth < 8)
        throw ImageFileError(path + ": unsupported PNG samples (" + std::to_string(header.bitDepth) +
                             "-bit); only 8- or 16-bit samples are read");
    if (type == PNG_COLOR_TYPE_PALETTE && header.paletteSize == 0)
        throw ImageFileError(path + ": corrupt PNG file (palette image without palette)");
    budget.checkPixels(header.width, header.height);
    const std::uint64_t count = static_cast<std::uint64_t>(header.width) * header.height;
    const std::uint64_t packedBits = count * static_cast<std::uint64_t>(header.fileChannels) * header.bitDepth;
    budget.checkAgainstFile((packedBits + 7) / 8, request.file.size(), maxDeflateExpansion,
                            "compressed pixel data");
    budget.reserve(2 * count, "the pixels");
    if (!startRows(reader.png(), reader.info(), &header))
        fail("corrupt or truncated PNG file");
    const bool interlaced = header.interlace != PNG_INTERLACE_NONE;
    const std::uint64_t rasterRows = interlaced ? header.height : 1;
    budget.reserve(header.rowBytes * rasterRows, interlaced ? "the interlaced rows" : "a row");

    std::vector<png_byte> raster(header.rowBytes * rasterRows);
    const std::size_t channels = static_cast<std::size_t>(channelCount(type));
    const bool wide = header.bitDepth == 16;
    auto sample = [&](const png_byte* row, std::size_t index) -> std::uint32_t {
        return wide ? (static_cast<std::uint32_t>(row[2 * index]) << 8) | row[2 * index + 1] : row[index];
    };

    GreyImage image;
    image.rows = static_cast<std::int32_t>(header.height);
    image.cols = static_cast<std::int32_t>(header.width);
    image.bitsPerSample = wide ? 16 : 8;
    image.pixels.resize(static_cast<std::size_t>(count));
    if (interlaced) {
        std::vector<png_bytep> rows(header.height);
        for (std::size_t r = 0; r < rows.size(); ++r)
            rows[r] = raster.data() + r * header.rowBytes;
        if (!readAllRows(reader.png(), rows.data()))
            fail("corrupt or truncated PNG file");
    }
    std::uint16_t* out = image.pixels.data();
    for (std::size_t r = 0; r < header.height; ++r) {
        const png_byte* row = raster.data() + (interlaced ? r * header.rowBytes : 0);
        if (!interlaced && !readOneRow(reader.png(), raster.data()))
            fail("corrupt or truncated PNG file");
        for (std::size_t c = 0; c < header.width; ++c) {
            const std::size_t first = c * channels;
            if (type == PNG_COLOR_TYPE_PALETTE) {
                const std::uint32_t index = sample(row, first);
                if (index >= static_cast<std::uint32_t>(header.paletteSize))
                    throw ImageFileError(path + ": corrupt PNG file (palette index " + std::to_string(index) +
                                         " outside the palette)");
                const png_color& colour = header.palette[index];
                *out++ = weightedGrey(colour.red, colour.green, colour.blue);
            } else if (channels >= 3) {
                *out++ = weightedGrey(sample(row, first), sample(row, first + 1), sample(row, first + 2));
            } else {
                *out++ = static_cast<std::uint16_t>(sample(row, first));
            }
        }
    }
    if (!interlaced && !finishRows(reader.png()))
        fail("corrupt or truncated PNG file");

    const bool alphaDropped = (type & PNG_COLOR_MASK_ALPHA) != 0 || header.transparency;
    if (type == PNG_COLOR_TYPE_PALETTE)
        request.warnings.push_back(paletteWarning(path, alphaDropped));
    else if (channels >= 3)
        request.warnings.push_back(colourWarning(path, alphaDropped));
    else if (alphaDropped)
        request.warnings.push_back(alphaWarning(path));
    for (const std::string& warning : libpngWarnings)
        request.warnings.push_back(path + ": PNG warning: " + warning);
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

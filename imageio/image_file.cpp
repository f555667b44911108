#include "imageio/image_file.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "imageio/image_codecs.h"
#include "imageio/input_file.h"
#include "imageio/read_budget.h"
#include "imageio/replace_file.h"

namespace kestrano {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool startsWith(const unsigned char* bytes, std::size_t count, const char* magic, std::size_t length)
{
    return count >= length && std::memcmp(bytes, magic, length) == 0;
}

// Recognises the format from the first bytes; netpbm variants other than P5 get
// a message of their own because they look so much like the real thing.
ImageFormat formatFromMagic(const std::string& path, const unsigned char* bytes, std::size_t count)
{
    if (startsWith(bytes, count, "II*\0", 4) || startsWith(bytes, count, "MM\0*", 4) ||
        startsWith(bytes, count, "II+\0", 4) || startsWith(bytes, count, "MM\0+", 4))
        return ImageFormat::Tiff;
    if (startsWith(bytes, count, "\x89PNG\r\n\x1a\n", 8))
        return ImageFormat::Png;
    if (startsWith(bytes, count, "\xff\xd8\xff", 3))
        return ImageFormat::Jpeg;
    if (startsWith(bytes, count, "P5", 2))
        return ImageFormat::Pgm;
    if (count >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '7')
        throw ImageFileError(path + ": netpbm type P" + std::string(1, static_cast<char>(bytes[1])) +
                             " is not supported (only binary grey PGM, P5, is read)");
    throw ImageFileError(path + ": not a supported image (expected TIFF, PNG, JPEG or binary PGM)");
}

ImageFormat recognise(InputFile& file)
{
    unsigned char magic[8] = {};
    const std::size_t count = std::fread(magic, 1, sizeof magic, file.stream());
    if (std::ferror(file.stream()))
        throw ImageFileError(file.path() + ": cannot read (" + std::strerror(errno) + ")");
    std::rewind(file.stream());
    return formatFromMagic(file.path(), magic, count);
}

GreyImage readOpened(InputFile& file, std::vector<std::string>& warnings, const ReadOptions& options)
{
    ReadBudget budget(file.path(), options.limits);
    budget.reserve(BUFSIZ, "the file buffer");  // the stream allocates it on its first read
    const ImageFormat format = recognise(file);
    if (format != ImageFormat::Tiff && options.page != 0)
        throw ImageFileError(file.path() + ": has 1 page; page " + std::to_string(options.page + 1) +
                             " does not exist");
    ReadRequest request{file, budget, options, warnings};
    switch (format) {
    case ImageFormat::Tiff: return readTiff(request);
    case ImageFormat::Png: return readPng(request);
    case ImageFormat::Jpeg: return readJpeg(request);
    case ImageFormat::Pgm: break;
    }
    return readPgm(request);
}

}  // namespace

std::uint64_t defaultMaxReadBytes()
{
    constexpr std::uint64_t floor = std::uint64_t{256} << 20;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return floor;
    return std::max(floor, static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 4);
}

ReadLimits defaultReadLimits()
{
    return ReadLimits{static_cast<std::uint64_t>(maxGreyImagePixels), defaultMaxReadBytes()};
}

ImageFormat formatFromPath(const std::string& path)
{
    const std::string extension = lowerCase(std::filesystem::path(path).extension().string());
    if (extension == ".tif" || extension == ".tiff")
        return ImageFormat::Tiff;
    if (extension == ".png")
        return ImageFormat::Png;
    if (extension == ".pgm")
        return ImageFormat::Pgm;
    if (extension == ".jpg" || extension == ".jpeg")
        throw ImageFileError(path + ": JPEG is read but not written (use .tif, .tiff, .png or .pgm)");
    throw ImageFileError(path + ": unknown image extension \"" + extension +
                         "\" (use .tif, .tiff, .png or .pgm)");
}

std::size_t countPages(const std::string& path)
{
    try {
        InputFile file(path);
        return recognise(file) == ImageFormat::Tiff ? countTiffPages(file) : 1;
    } catch (const std::bad_alloc&) {
        throw ImageFileError(path + ": out of memory while counting pages");
    }
}

GreyImage readGreyImage(const std::string& path, std::vector<std::string>& warnings, const ReadOptions& options)
{
    try {
        InputFile file(path);
        return readOpened(file, warnings, options);
    } catch (const std::bad_alloc&) {
        throw ImageFileError(path + ": out of memory while reading (lower --max-memory, or free memory)");
    } catch (const std::length_error&) {
        throw ImageFileError(path + ": out of memory while reading (a buffer longer than memory can hold)");
    }
}

void writeGreyImage(const std::string& path, const GreyImage& image)
{
    const ImageFormat format = formatFromPath(path);
    if (image.rows <= 0 || image.cols <= 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.rows) * static_cast<std::size_t>(image.cols))
        throw ImageFileError(path + ": cannot write an image whose size does not match its pixels");
    ReplacementFile temporary(path);
    switch (format) {
    case ImageFormat::Tiff:
        writeTiff(temporary.path(), path, image);
        break;
    case ImageFormat::Png:
        writePng(temporary.path(), path, image);
        break;
    case ImageFormat::Pgm:
    case ImageFormat::Jpeg:  // formatFromPath never names it
        writePgm(temporary.path(), path, image);
        break;
    }
    temporary.commit();
}

}  // namespace kestrano

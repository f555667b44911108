#include "imageio/image_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "imageio/image_codecs.h"
#include "imageio/replace_file.h"

namespace kestrano {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

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
    if (startsWith(bytes, count, "P5", 2))
        return ImageFormat::Pgm;
    if (count >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '7')
        throw ImageFileError(path + ": netpbm type P" + std::string(1, static_cast<char>(bytes[1])) +
                             " is not supported (only binary grey PGM, P5, is read)");
    throw ImageFileError(path + ": not a supported image (expected TIFF, PNG or binary PGM)");
}

}  // namespace

ImageFormat formatFromPath(const std::string& path)
{
    const std::string extension = lowerCase(std::filesystem::path(path).extension().string());
    if (extension == ".tif" || extension == ".tiff")
        return ImageFormat::Tiff;
    if (extension == ".png")
        return ImageFormat::Png;
    if (extension == ".pgm")
        return ImageFormat::Pgm;
    throw ImageFileError(path + ": unknown image extension \"" + extension +
                         "\" (use .tif, .tiff, .png or .pgm)");
}

ReadLimits defaultReadLimits()
{
    return ReadLimits{static_cast<std::uint64_t>(maxGreyImagePixels), std::uint64_t{1} << 32};
}

std::size_t countPages(const std::string&)
{
    return 1;
}

GreyImage readGreyImage(const std::string& path, std::vector<std::string>& warnings, const ReadOptions&)
{
    FilePointer file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw ImageFileError(path + ": cannot open (" + std::strerror(errno) + ")");
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            throw ImageFileError(path + ": is a folder, not an image file");
        if (S_ISREG(status.st_mode) && status.st_size == 0)
            throw ImageFileError(path + ": empty file (0 bytes)");
    }
    unsigned char magic[8] = {};
    const std::size_t count = std::fread(magic, 1, sizeof magic, file.get());
    if (std::ferror(file.get()))
        throw ImageFileError(path + ": cannot read (" + std::strerror(errno) + ")");
    const ImageFormat format = formatFromMagic(path, magic, count);
    std::rewind(file.get());
    switch (format) {
    case ImageFormat::Tiff:
        file.reset();  // libtiff opens the file itself
        return readTiff(path, warnings);
    case ImageFormat::Png:
        return readPng(path, file.get(), warnings);
    case ImageFormat::Pgm:
        break;
    }
    return readPgm(path, file.get());
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
        writePgm(temporary.path(), path, image);
        break;
    }
    temporary.commit();
}

}  // namespace kestrano

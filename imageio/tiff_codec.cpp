// TIFF through libtiff: the first page, unsigned 8- or 16-bit samples, grey,
// palette or RGB (JPEG-compressed YCbCr is decoded to RGB). libtiff's messages
// are caught per handle and end up in the ImageFileError text instead of on
// standard error.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "imageio/colour_to_grey.h"
#include "imageio/image_codecs.h"
#include "imageio/image_extent.h"

namespace kestrano {

namespace {

struct TiffMessages {
    char firstError[512] = {};
};

int recordError(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    auto* messages = static_cast<TiffMessages*>(user);
    if (messages->firstError[0] == '\0') {
        char text[400];
        std::vsnprintf(text, sizeof text, format, args);
        std::snprintf(messages->firstError, sizeof messages->firstError, "%s%s%s", module ? module : "",
                      module ? ": " : "", text);
    }
    return 1;
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

// Messages that libtiff raises without a handle go to its process-wide
// handlers; those would print to standard error, so they are switched off.
void silenceGlobalHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

class TiffFile {
public:
    TiffFile(const std::string& path, const char* mode, const std::string& shownPath)
        : shownPath_(shownPath)
    {
        silenceGlobalHandlers();
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(options, recordError, &messages_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
        tiff_ = TIFFOpenExt(path.c_str(), mode, options);
        TIFFOpenOptionsFree(options);
        if (!tiff_)
            fail(mode[0] == 'r' ? "truncated or corrupt TIFF file" : "cannot write");
    }
    ~TiffFile()
    {
        if (tiff_)
            TIFFClose(tiff_);
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    TIFF* get() const { return tiff_; }

    // Throws with `reason` and, when libtiff said something, its first message.
    [[noreturn]] void fail(const std::string& reason) const
    {
        std::string text = shownPath_ + ": " + reason;
        if (messages_.firstError[0] != '\0')
            text += std::string(" (") + messages_.firstError + ")";
        throw ImageFileError(text);
    }

    void close()
    {
        TIFFClose(tiff_);
        tiff_ = nullptr;
    }

private:
    std::string shownPath_;
    TiffMessages messages_;
    TIFF* tiff_ = nullptr;
};

enum class ColourModel { Grey, Palette, Rgb };

struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t bitsPerSample = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    ColourModel model = ColourModel::Grey;
    std::uint16_t usedSamples = 1;  // grey or palette index: 1; RGB: 3
    bool minIsWhite = false;
};

const char* sampleFormatName(std::uint16_t format)
{
    switch (format) {
    case SAMPLEFORMAT_INT: return "signed integer";
    case SAMPLEFORMAT_IEEEFP: return "floating-point";
    case SAMPLEFORMAT_VOID: return "untyped";
    default: return "complex or unknown";
    }
}

TiffLayout readLayout(TiffFile& file, const std::string& path)
{
    TIFF* tif = file.get();
    TiffLayout layout;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t compression = COMPRESSION_NONE;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height))
        file.fail("not a valid TIFF file (no image size)");
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = layout.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;

    if (sampleFormat != SAMPLEFORMAT_UINT)
        throw ImageFileError(path + ": unsupported TIFF samples (" + sampleFormatName(sampleFormat) +
                             "); only unsigned 8- or 16-bit integer samples are read");
    if (layout.bitsPerSample != 8 && layout.bitsPerSample != 16)
        throw ImageFileError(path + ": unsupported TIFF samples (" + std::to_string(layout.bitsPerSample) +
                             "-bit); only unsigned 8- or 16-bit integer samples are read");
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
        layout.minIsWhite = true;
        [[fallthrough]];
    case PHOTOMETRIC_MINISBLACK:
        break;
    case PHOTOMETRIC_PALETTE:
        layout.model = ColourModel::Palette;
        break;
    case PHOTOMETRIC_YCBCR:
        if (compression != COMPRESSION_JPEG)
            throw ImageFileError(path + ": unsupported TIFF colour model (YCbCr without JPEG compression)");
        // libtiff's JPEG codec converts to RGB itself.
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        [[fallthrough]];
    case PHOTOMETRIC_RGB:
        layout.model = ColourModel::Rgb;
        layout.usedSamples = 3;
        break;
    default:
        throw ImageFileError(path + ": unsupported TIFF colour model (photometric " +
                             std::to_string(photometric) + ")");
    }
    if (layout.samplesPerPixel < layout.usedSamples)
        file.fail("not a valid TIFF file (too few samples per pixel)");
    checkImageExtent(path, layout.width, layout.height);
    return layout;
}

std::uint16_t sampleAt(const std::vector<unsigned char>& buffer, std::size_t index, std::uint16_t bits)
{
    if (bits == 8)
        return buffer[index];
    std::uint16_t value;  // libtiff has already put it into host byte order
    std::memcpy(&value, buffer.data() + 2 * index, sizeof value);
    return value;
}

// The first `usedSamples` samples of every pixel, interleaved, as stored.
std::vector<std::uint16_t> readSamples(TiffFile& file, const TiffLayout& layout)
{
    TIFF* tif = file.get();
    const std::size_t width = layout.width;
    const std::size_t height = layout.height;
    const std::size_t used = layout.usedSamples;
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE;
    const std::size_t stride = separate ? 1 : layout.samplesPerPixel;
    const std::size_t planes = separate ? used : 1;
    std::vector<std::uint16_t> samples(width * height * used);

    // Copies a block of `blockWidth` x `rows` pixels starting at (x0, y0).
    auto copyBlock = [&](const std::vector<unsigned char>& buffer, std::size_t blockWidth, std::size_t x0,
                         std::size_t y0, std::size_t rows, std::size_t plane) {
        const std::size_t columns = std::min(blockWidth, width - x0);
        for (std::size_t y = 0; y < rows && y0 + y < height; ++y)
            for (std::size_t x = 0; x < columns; ++x) {
                const std::size_t out = ((y0 + y) * width + x0 + x) * used;
                const std::size_t in = (y * blockWidth + x) * stride;
                if (separate)
                    samples[out + plane] = sampleAt(buffer, in, layout.bitsPerSample);
                else
                    for (std::size_t k = 0; k < used; ++k)
                        samples[out + k] = sampleAt(buffer, in + k, layout.bitsPerSample);
            }
    };

    if (TIFFIsTiled(tif)) {
        std::uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        const tmsize_t tileSize = TIFFTileSize(tif);
        if (tileWidth == 0 || tileHeight == 0 || tileSize <= 0)
            file.fail("not a valid TIFF file (bad tile size)");
        std::vector<unsigned char> buffer(static_cast<std::size_t>(tileSize));
        for (std::size_t plane = 0; plane < planes; ++plane)
            for (std::size_t y = 0; y < height; y += tileHeight)
                for (std::size_t x = 0; x < width; x += tileWidth) {
                    if (TIFFReadTile(tif, buffer.data(), static_cast<std::uint32_t>(x),
                                     static_cast<std::uint32_t>(y), 0, static_cast<std::uint16_t>(plane)) < 0)
                        file.fail("truncated or corrupt TIFF file");
                    copyBlock(buffer, tileWidth, x, y, tileHeight, plane);
                }
    } else {
        const tmsize_t lineSize = TIFFScanlineSize(tif);
        if (lineSize <= 0)
            file.fail("not a valid TIFF file (bad row size)");
        std::vector<unsigned char> buffer(static_cast<std::size_t>(lineSize));
        for (std::size_t plane = 0; plane < planes; ++plane)
            for (std::size_t y = 0; y < height; ++y) {
                if (TIFFReadScanline(tif, buffer.data(), static_cast<std::uint32_t>(y),
                                     static_cast<std::uint16_t>(plane)) < 0)
                    file.fail("truncated or corrupt TIFF file");
                copyBlock(buffer, width, 0, y, 1, plane);
            }
    }
    return samples;
}

}  // namespace

GreyImage readTiff(const std::string& path, std::vector<std::string>& warnings)
{
    TiffFile file(path, "rm", path);  // 'm': plain reads, no memory mapping of a possibly short file
    const TiffLayout layout = readLayout(file, path);
    std::vector<std::uint16_t> samples = readSamples(file, layout);
    const bool alphaDropped = layout.samplesPerPixel > layout.usedSamples;

    GreyImage image;
    image.rows = static_cast<std::int32_t>(layout.height);
    image.cols = static_cast<std::int32_t>(layout.width);
    const std::size_t count = static_cast<std::size_t>(layout.width) * layout.height;
    switch (layout.model) {
    case ColourModel::Grey:
        image.pixels = std::move(samples);
        if (alphaDropped)
            warnings.push_back(alphaWarning(path));
        if (layout.minIsWhite)
            warnings.push_back(path + ": min-is-white TIFF; values are read as stored, not inverted");
        break;
    case ColourModel::Palette: {
        std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(file.get(), TIFFTAG_COLORMAP, &red, &green, &blue))
            file.fail("not a valid TIFF file (palette image without colour map)");
        image.pixels.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t index = samples[i];  // below 2^bits, the colour map's length
            image.pixels[i] = weightedGrey(red[index], green[index], blue[index]);
        }
        warnings.push_back(paletteWarning(path, alphaDropped));
        break;
    }
    case ColourModel::Rgb:
        image.pixels.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            image.pixels[i] = weightedGrey(samples[3 * i], samples[3 * i + 1], samples[3 * i + 2]);
        warnings.push_back(colourWarning(path, alphaDropped));
        break;
    }
    const int pages = TIFFNumberOfDirectories(file.get());
    if (pages > 1)
        warnings.push_back(path + ": TIFF has " + std::to_string(pages) + " pages; only the first is read");
    return image;
}

void writeTiff(const std::string& tempPath, const std::string& shownPath, const GreyImage& image)
{
    TiffFile file(tempPath, "w", shownPath);
    TIFF* tif = file.get();
    const bool fieldsSet =
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.cols)) &&
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.rows)) &&
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1) &&
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) &&
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (!fieldsSet)
        file.fail("cannot write");
    std::vector<std::uint16_t> row(static_cast<std::size_t>(image.cols));
    for (std::int32_t r = 0; r < image.rows; ++r) {
        const std::uint16_t* values = image.pixels.data() + static_cast<std::size_t>(r) * image.cols;
        std::copy(values, values + image.cols, row.begin());
        if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(r), 0) < 0)
            file.fail("cannot write");
    }
    if (!TIFFFlush(tif))
        file.fail("cannot write");
    file.close();
}

}  // namespace kestrano

// TIFF through libtiff: any page; unsigned 8- or 16-bit samples as stored,
// 32-bit integer, signed and float samples through a linear rescale; grey,
// palette or RGB (JPEG-compressed YCbCr is decoded to RGB). libtiff's messages
// are caught per handle: errors end up in the ImageFileError text, warnings in
// the caller's list, nothing on standard error.
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "imageio/colour_to_grey.h"
#include "imageio/image_codecs.h"
#include "imageio/sample_rescale.h"
#include "imageio/tiff_resolution.h"

namespace kestrano {

namespace {

struct TiffMessages {
    char firstError[512] = {};  // since the last clear()
    std::vector<std::string> warnings;
    const std::string* fileName = nullptr;  // libtiff names the file as the module; ours says it already
};

int recordError(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    auto* messages = static_cast<TiffMessages*>(user);
    if (messages->firstError[0] == '\0') {
        char text[400];
        std::vsnprintf(text, sizeof text, format, args);
        if (module && messages->fileName && *messages->fileName == module)
            module = nullptr;
        std::snprintf(messages->firstError, sizeof messages->firstError, "%s%s%s", module ? module : "",
                      module ? ": " : "", text);
    }
    return 1;
}

// Unknown tags are the rule in microscopy files (private metadata): not worth a word.
int recordWarning(TIFF*, void* user, const char*, const char* format, va_list args)
{
    auto* messages = static_cast<TiffMessages*>(user);
    char text[400];
    std::vsnprintf(text, sizeof text, format, args);
    if (std::strstr(text, "nknown field") || messages->warnings.size() >= 20)
        return 1;
    try {
        if (std::find(messages->warnings.begin(), messages->warnings.end(), text) == messages->warnings.end())
            messages->warnings.push_back(text);
    } catch (...) {  // never unwind through libtiff
    }
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
    // Writing: opens `path`.
    TiffFile(const std::string& path, const std::string& shownPath) : shownPath_(shownPath)
    {
        open([&](TIFFOpenOptions* options) { return TIFFOpenExt(path.c_str(), "w", options); });
        if (!tiff_)
            fail("cannot write");
    }
    // Reading: a file already opened; libtiff gets a duplicate descriptor it
    // closes itself. Single allocations inside libtiff stay within `maxAlloc`.
    TiffFile(const InputFile& file, std::uint64_t maxAlloc) : shownPath_(file.path())
    {
        const int fd = ::dup(file.descriptor());
        if (fd < 0)
            throw ImageFileError(shownPath_ + ": cannot read (no file descriptor left)");
        ::lseek(fd, 0, SEEK_SET);
        const tmsize_t most = static_cast<tmsize_t>(std::min<std::uint64_t>(maxAlloc, INT64_MAX));
        // 'm': plain reads, no memory mapping of a possibly short file. 'O': strip
        // and tile tables read on demand, and 'c': no chopping of one large
        // strip into many, so that no table is allocated from a header's
        // claims before those are checked.
        open([&](TIFFOpenOptions* options) {
            TIFFOpenOptionsSetMaxSingleMemAlloc(options, most > 0 ? most : 1);
            return TIFFFdOpenExt(fd, shownPath_.c_str(), "rmOc", options);
        });
        if (!tiff_) {
            ::close(fd);
            fail("truncated or corrupt TIFF file");
        }
    }
    ~TiffFile()
    {
        if (tiff_)
            TIFFClose(tiff_);
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    TIFF* get() const { return tiff_; }
    const std::vector<std::string>& warnings() const { return messages_.warnings; }

    // Forgets earlier errors (libtiff also reports some it recovers from), so
    // that a failure shows what libtiff said about it.
    void clearError() { messages_.firstError[0] = '\0'; }

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
    template <typename Opener>
    void open(Opener opener)
    {
        silenceGlobalHandlers();
        messages_.fileName = &shownPath_;
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (!options)
            throw std::bad_alloc();
        TIFFOpenOptionsSetErrorHandlerExtR(options, recordError, &messages_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, recordWarning, &messages_);
        tiff_ = opener(options);
        TIFFOpenOptionsFree(options);
    }

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
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t compression = COMPRESSION_NONE;
    ColourModel model = ColourModel::Grey;
    std::uint16_t usedSamples = 1;  // grey or palette index: 1; RGB: 3
    bool minIsWhite = false;
    bool wide = false;  // samples that need the rescale: read as doubles
};

const char* sampleFormatName(std::uint16_t format)
{
    switch (format) {
    case SAMPLEFORMAT_UINT: return "unsigned integer";
    case SAMPLEFORMAT_INT: return "signed integer";
    case SAMPLEFORMAT_IEEEFP: return "floating-point";
    case SAMPLEFORMAT_VOID: return "untyped";
    default: return "complex or unknown";
    }
}

// Samples read through the rescale: 32-bit unsigned, 8/16/32-bit signed, 32/64-bit float.
bool rescaledSamples(std::uint16_t format, std::uint16_t bits)
{
    switch (format) {
    case SAMPLEFORMAT_UINT: return bits == 32;
    case SAMPLEFORMAT_INT: return bits == 8 || bits == 16 || bits == 32;
    case SAMPLEFORMAT_IEEEFP: return bits == 32 || bits == 64;
    default: return false;
    }
}

TiffLayout readLayout(TiffFile& file, const ReadRequest& request)
{
    const std::string& path = request.path();
    TIFF* tif = file.get();
    TiffLayout layout;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height))
        file.fail("not a valid TIFF file (no image size)");
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &layout.compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = layout.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;

    const std::uint16_t bits = layout.bitsPerSample;
    const std::string samples = std::to_string(bits) + "-bit " + sampleFormatName(layout.sampleFormat);
    layout.wide = rescaledSamples(layout.sampleFormat, bits);
    if (layout.wide && !request.options.rescale)
        throw ImageFileError(path + ": TIFF samples are " + samples +
                             "; read them with --rescale, which maps their min..max linearly onto 0..65535");
    if (!layout.wide && !(layout.sampleFormat == SAMPLEFORMAT_UINT && (bits == 8 || bits == 16)))
        throw ImageFileError(path + ": unsupported TIFF samples (" + samples +
                             "); 8- or 16-bit unsigned samples are read, 32-bit integer, signed or float "
                             "ones with --rescale");
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
        layout.minIsWhite = true;
        [[fallthrough]];
    case PHOTOMETRIC_MINISBLACK:
        break;
    case PHOTOMETRIC_PALETTE:
        if (layout.wide)
            throw ImageFileError(path + ": unsupported TIFF palette of " + samples + " indices");
        layout.model = ColourModel::Palette;
        break;
    case PHOTOMETRIC_YCBCR:
        if (layout.compression != COMPRESSION_JPEG || bits != 8)
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
    return layout;
}

// How many times a codec can expand its input at most; 0: no useful bound.
std::uint64_t maxExpansion(std::uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;         // 2 bytes give at most 128
    case COMPRESSION_LZW: return 4096 * 8 / 9;    // a code of 9 bits or more, a string of 4096 bytes at most
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: return 1032;  // deflate's own limit
    default: return 0;
    }
}

struct StoredData {
    std::uint64_t total = 0;    // all strips or tiles, at most the file's length
    std::uint64_t largest = 0;  // one strip or tile, at most the file's length
    std::uint32_t count = 0;
};

// What the strips or tiles declare, each capped by the file's length: libtiff
// never reads more than the file holds.
StoredData storedData(TIFF* tif, std::uint64_t fileSize)
{
    StoredData stored;
    stored.count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    for (std::uint32_t i = 0; i < stored.count; ++i) {
        int error = 0;
        const std::uint64_t length = std::min(TIFFGetStrileByteCountWithErr(tif, i, &error), fileSize);
        if (error)
            return {fileSize, fileSize, stored.count};
        stored.total = std::min(stored.total + length, fileSize);
        stored.largest = std::max(stored.largest, length);
    }
    return stored;
}

// libtiff's own allocations: its handle and directory when the file is
// opened (a tag's values are read in chunks of up to 256 KiB, whatever count
// the tag claims); then the raw data of one strip or tile, the offset and
// length tables, and its codec's state (zlib's window, LZW's table, libjpeg's
// pools). Single allocations never exceed what is left of the budget.
constexpr std::uint64_t libtiffState = 320 * 1024;
constexpr std::uint64_t libtiffCodecState = 256 * 1024;

// One stored sample at `index` of a decoded strip or tile.
template <typename T>
T sampleAt(const unsigned char* buffer, std::size_t index, const TiffLayout& layout)
{
    const unsigned char* at = buffer + index * (layout.bitsPerSample / 8);
    auto load = [at](auto value) {  // libtiff has already put it into host byte order
        std::memcpy(&value, at, sizeof value);
        return value;
    };
    switch (layout.bitsPerSample) {
    case 8:
        return layout.sampleFormat == SAMPLEFORMAT_INT ? static_cast<T>(load(std::int8_t{})) : static_cast<T>(*at);
    case 16:
        return layout.sampleFormat == SAMPLEFORMAT_INT ? static_cast<T>(load(std::int16_t{}))
                                                       : static_cast<T>(load(std::uint16_t{}));
    case 32:
        if (layout.sampleFormat == SAMPLEFORMAT_IEEEFP)
            return static_cast<T>(load(float{}));
        return layout.sampleFormat == SAMPLEFORMAT_INT ? static_cast<T>(load(std::int32_t{}))
                                                       : static_cast<T>(load(std::uint32_t{}));
    default:
        return static_cast<T>(load(double{}));
    }
}

// The first `usedSamples` samples of every pixel, interleaved, as stored.
template <typename T>
std::vector<T> readSamples(TiffFile& file, const TiffLayout& layout, ReadBudget& budget)
{
    TIFF* tif = file.get();
    const std::size_t width = layout.width;
    const std::size_t height = layout.height;
    const std::size_t used = layout.usedSamples;
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE;
    const std::size_t stride = separate ? 1 : layout.samplesPerPixel;
    const std::size_t planes = separate ? used : 1;

    // Copies a block of `blockWidth` x `rows` pixels starting at (x0, y0).
    std::vector<T> samples;
    auto copyBlock = [&](const std::vector<unsigned char>& buffer, std::size_t blockWidth, std::size_t x0,
                         std::size_t y0, std::size_t rows, std::size_t plane) {
        const std::size_t columns = std::min(blockWidth, width - x0);
        for (std::size_t y = 0; y < rows && y0 + y < height; ++y)
            for (std::size_t x = 0; x < columns; ++x) {
                const std::size_t out = ((y0 + y) * width + x0 + x) * used;
                const std::size_t in = (y * blockWidth + x) * stride;
                if (separate)
                    samples[out + plane] = sampleAt<T>(buffer.data(), in, layout);
                else
                    for (std::size_t k = 0; k < used; ++k)
                        samples[out + k] = sampleAt<T>(buffer.data(), in + k, layout);
            }
    };

    const std::uint64_t sampleBytes = static_cast<std::uint64_t>(width) * height * used * sizeof(T);
    if (TIFFIsTiled(tif)) {
        std::uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        const std::uint64_t tileSize = TIFFTileSize64(tif);
        if (tileWidth == 0 || tileHeight == 0 || tileSize == 0)
            file.fail("not a valid TIFF file (bad tile size)");
        budget.reserve(tileSize, "a " + std::to_string(tileWidth) + " x " + std::to_string(tileHeight) + " tile");
        budget.reserve(sampleBytes, "the samples");
        std::vector<unsigned char> buffer(static_cast<std::size_t>(tileSize));
        samples.resize(width * height * used);
        for (std::size_t plane = 0; plane < planes; ++plane)
            for (std::size_t y = 0; y < height; y += tileHeight)
                for (std::size_t x = 0; x < width; x += tileWidth) {
                    file.clearError();
                    if (TIFFReadTile(tif, buffer.data(), static_cast<std::uint32_t>(x),
                                     static_cast<std::uint32_t>(y), 0, static_cast<std::uint16_t>(plane)) < 0)
                        file.fail("truncated or corrupt TIFF file: cannot read the tile at x " + std::to_string(x) +
                                  ", y " + std::to_string(y));
                    copyBlock(buffer, tileWidth, x, y, tileHeight, plane);
                }
    } else {
        const std::uint64_t lineSize = TIFFScanlineSize64(tif);
        if (lineSize == 0)
            file.fail("not a valid TIFF file (bad row size)");
        budget.reserve(lineSize, "a row");
        budget.reserve(sampleBytes, "the samples");
        std::vector<unsigned char> buffer(static_cast<std::size_t>(lineSize));
        samples.resize(width * height * used);
        for (std::size_t plane = 0; plane < planes; ++plane)
            for (std::size_t y = 0; y < height; ++y) {
                file.clearError();
                if (TIFFReadScanline(tif, buffer.data(), static_cast<std::uint32_t>(y),
                                     static_cast<std::uint16_t>(plane)) < 0)
                    file.fail("truncated or corrupt TIFF file: cannot read row " + std::to_string(y + 1) + " of " +
                              std::to_string(height));
                copyBlock(buffer, width, 0, y, 1, plane);
            }
    }
    return samples;
}

// Refuses what the file cannot hold, and what the limits do not allow, before
// anything is allocated.
void checkDeclaredSize(TiffFile& file, const TiffLayout& layout, ReadRequest& request)
{
    TIFF* tif = file.get();
    request.budget.checkPixels(layout.width, layout.height);
    const std::uint64_t planes = layout.planar == PLANARCONFIG_SEPARATE ? layout.usedSamples : 1;
    // Rows of the pixels the image covers: a lower bound for strips and tiles alike.
    const std::uint64_t perRow = layout.planar == PLANARCONFIG_SEPARATE ? 1 : layout.samplesPerPixel;
    const std::uint64_t rowBytes = (std::uint64_t{layout.width} * perRow * layout.bitsPerSample + 7) / 8;
    const std::uint64_t declared = rowBytes * layout.height * planes;
    const StoredData stored = storedData(tif, request.file.size());
    request.budget.checkAgainstFile(declared, stored.total, maxExpansion(layout.compression), "pixel data");
    request.budget.reserve(stored.largest + 16 * std::uint64_t{stored.count} + libtiffCodecState,
                           "the TIFF decoder's buffers");
}

std::optional<TiffResolution> readResolution(TIFF* tif)
{
    float x = 0.0f, y = 0.0f;
    if (!TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) || !TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y))
        return std::nullopt;
    TiffResolution resolution;
    resolution.x = x;
    resolution.y = y;
    if (!TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &resolution.unit))
        resolution.unit = RESUNIT_NONE;  // present only when written: no guessed inches
    char* description = nullptr;
    if (TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &description) && description)
        resolution.descriptionUnit = descriptionUnit(description);
    return resolution;
}

void selectPage(TiffFile& file, const std::string& path, std::size_t page)
{
    if (page == 0)
        return;
    const std::size_t pages = TIFFNumberOfDirectories(file.get());
    if (page >= pages)
        throw ImageFileError(path + ": has " + std::to_string(pages) + (pages == 1 ? " page" : " pages") +
                             "; page " + std::to_string(page + 1) + " does not exist");
    if (!TIFFSetDirectory(file.get(), static_cast<tdir_t>(page)))
        file.fail("truncated or corrupt TIFF file (page " + std::to_string(page + 1) + ")");
}

bool writeResolution(TIFF* tif, const GreyImage& image)
{
    if (!image.resolution)
        return true;
    const TiffResolution& r = *image.resolution;
    const std::string description = r.descriptionUnit.empty() ? "" : "unit=" + r.descriptionUnit + "\n";
    return TIFFSetField(tif, TIFFTAG_XRESOLUTION, r.x) && TIFFSetField(tif, TIFFTAG_YRESOLUTION, r.y) &&
           TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, r.unit) &&
           (description.empty() || TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description.c_str()));
}

}  // namespace

std::size_t countTiffPages(InputFile& input)
{
    TiffFile file(input, defaultReadLimits().maxBytes);
    return TIFFNumberOfDirectories(file.get());
}

GreyImage readTiff(ReadRequest& request)
{
    const std::string& path = request.path();
    ReadBudget& budget = request.budget;
    budget.reserve(libtiffState, "the TIFF decoder");
    TiffFile file(request.file, budget.remaining());
    selectPage(file, path, request.options.page);
    const TiffLayout layout = readLayout(file, request);
    checkDeclaredSize(file, layout, request);
    const bool alphaDropped = layout.samplesPerPixel > layout.usedSamples;

    GreyImage image;
    image.rows = static_cast<std::int32_t>(layout.height);
    image.cols = static_cast<std::int32_t>(layout.width);
    image.bitsPerSample = layout.bitsPerSample;
    image.sampleFormat = layout.sampleFormat == SAMPLEFORMAT_INT      ? "signed"
                         : layout.sampleFormat == SAMPLEFORMAT_IEEEFP ? "float"
                                                                      : "unsigned";
    const std::size_t count = static_cast<std::size_t>(layout.width) * layout.height;
    if (layout.wide) {
        std::vector<double> samples = readSamples<double>(file, layout, budget);
        if (layout.model == ColourModel::Rgb) {
            for (std::size_t i = 0; i < count; ++i)
                samples[i] = 0.299 * samples[3 * i] + 0.587 * samples[3 * i + 1] + 0.114 * samples[3 * i + 2];
            samples.resize(count);
        }
        budget.reserve(2 * static_cast<std::uint64_t>(count), "the pixels");
        image.pixels.resize(count);
        image.rescaledFrom = rescaleToSixteenBits(samples, image.pixels.data());
    } else {
        std::vector<std::uint16_t> samples = readSamples<std::uint16_t>(file, layout, budget);
        if (layout.model == ColourModel::Grey) {
            image.pixels = std::move(samples);
        } else {
            budget.reserve(2 * static_cast<std::uint64_t>(count), "the pixels");
            image.pixels.resize(count);
        }
        if (layout.model == ColourModel::Palette) {
            std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
            if (!TIFFGetField(file.get(), TIFFTAG_COLORMAP, &red, &green, &blue))
                file.fail("not a valid TIFF file (palette image without colour map)");
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint16_t index = samples[i];  // below 2^bits, the colour map's length
                image.pixels[i] = weightedGrey(red[index], green[index], blue[index]);
            }
        } else if (layout.model == ColourModel::Rgb) {
            for (std::size_t i = 0; i < count; ++i)
                image.pixels[i] = weightedGrey(samples[3 * i], samples[3 * i + 1], samples[3 * i + 2]);
        }
    }
    switch (layout.model) {
    case ColourModel::Grey:
        if (alphaDropped)
            request.warnings.push_back(alphaWarning(path));
        if (layout.minIsWhite)
            request.warnings.push_back(path + ": min-is-white TIFF; values are read as stored, not inverted");
        break;
    case ColourModel::Palette:
        request.warnings.push_back(paletteWarning(path, alphaDropped));
        break;
    case ColourModel::Rgb:
        request.warnings.push_back(colourWarning(path, alphaDropped));
        break;
    }
    image.resolution = readResolution(file.get());
    if (image.resolution)
        image.pixelScale = pixelScaleFrom(*image.resolution);
    for (const std::string& warning : file.warnings())
        request.warnings.push_back(path + ": TIFF warning: " + warning);
    return image;
}

void writeTiff(const std::string& tempPath, const std::string& shownPath, const GreyImage& image)
{
    TiffFile file(tempPath, shownPath);
    TIFF* tif = file.get();
    const bool fieldsSet =
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.cols)) &&
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.rows)) &&
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1) &&
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) &&
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0)) && writeResolution(tif, image);
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

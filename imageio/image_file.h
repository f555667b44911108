#pragma once
// Reading and writing grey images as 16-bit buffers: TIFF (every page; 8, 16
// or 32-bit integer and 32/64-bit float samples), PNG (8 or 16 bit), JPEG
// (8-bit grey or colour, read only) and binary PGM (P5). Shared by the
// command-line tool, the host application and the Python module; plain C++ on
// top of libtiff, libpng and libjpeg. Safe to call on several threads at once:
// every library message is caught per handle, nothing is printed.
//
// Every reader checks what a file declares (pixels, tiles, strips, rows,
// compressed and decompressed lengths) against the file's real length where
// the format allows it, and against ReadLimits, before it allocates.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/pixel_scale.h"

namespace kestrano {

// The largest image read: its 5 % cut (rows x cols x 10) still fits in 32 bits.
// Images without pixels, or with more than this, are refused whatever the limits.
constexpr std::int64_t maxGreyImagePixels = 429496729;

// A quarter of the physical memory, at least 256 MiB.
std::uint64_t defaultMaxReadBytes();

struct ReadLimits {
    // Declared pixel count (rows x cols) accepted; values above
    // maxGreyImagePixels act as maxGreyImagePixels. The CLI's --max-pixels.
    std::uint64_t maxPixels = static_cast<std::uint64_t>(maxGreyImagePixels);
    // Memory budget for one read, in bytes: the result, every buffer, strip and
    // tile, and what the decoders allocate themselves. The CLI's --max-memory.
    std::uint64_t maxBytes = defaultMaxReadBytes();
};

// maxPixels = maxGreyImagePixels, maxBytes = defaultMaxReadBytes().
ReadLimits defaultReadLimits();

struct ReadOptions {
    // 0-based page of a multi-page TIFF; other formats have only page 0. Messages
    // count pages from 1 ("has 3 pages; page 4 does not exist").
    std::size_t page = 0;
    // 32-bit integer, signed or float TIFF samples are refused unless this is
    // set; then the finite values' min..max is mapped linearly onto 0..65535
    // (round to nearest), NaN and -inf become 0, +inf 65535. Ignored for 8-
    // and 16-bit unsigned samples, which are always read as stored.
    bool rescale = false;
    ReadLimits limits = defaultReadLimits();
};

// The raw resolution tags of a TIFF, copied into TIFF outputs so that painted
// results keep the input's pixel size.
struct TiffResolution {
    double x = 0.0;               // XResolution: pixels per unit along a row
    double y = 0.0;               // YResolution: pixels per unit across rows
    std::uint16_t unit = 1;       // ResolutionUnit: 1 none, 2 inch, 3 centimetre
    std::string descriptionUnit;  // "unit=" of the ImageDescription (e.g. "micron"), or empty
};

// rows x cols values, row after row, exactly as stored in the file (no
// scaling) unless rescaledFrom says otherwise.
struct GreyImage {
    GreyImage() = default;
    GreyImage(std::int32_t rows_, std::int32_t cols_, std::vector<std::uint16_t> pixels_)
        : rows(rows_), cols(cols_), pixels(std::move(pixels_))
    {
    }

    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::vector<std::uint16_t> pixels;
    int bitsPerSample = 16;                 // as stored: 8, 16, 32 or 64 (float)
    std::string sampleFormat = "unsigned";  // as stored: "unsigned", "signed" or "float"
    // Physical pixel size, from a TIFF's resolution and unit (inch and
    // centimetre are converted to "um"; a unit named by the ImageDescription's
    // "unit=" entry is used when ResolutionUnit is none). Empty when unknown.
    std::optional<PixelScale> pixelScale;
    std::optional<TiffResolution> resolution;  // TIFF inputs with resolution tags; TIFF outputs write it
    std::optional<std::pair<double, double>> rescaledFrom;  // min, max mapped onto 0..65535
};

enum class ImageFormat { Tiff, Png, Pgm, Jpeg };

// Raised for a file that cannot be read or written; what() always names the
// file and the reason ("cannot open", "truncated", "not a supported image", ...).
class ImageFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that declares more than the limits allow; what() names the file, what
// it declared, the limit and the option that raises it.
class ImageTooLargeError : public ImageFileError {
public:
    using ImageFileError::ImageFileError;
};

// The output format named by the path's extension (.tif/.tiff, .png, .pgm, any
// case); throws ImageFileError for any other extension (JPEG is read, never written).
ImageFormat formatFromPath(const std::string& path);

// The number of pages (TIFF directories); 1 for PNG, PGM and JPEG. Throws
// ImageFileError for a file that cannot be read.
std::size_t countPages(const std::string& path);

// Reads one grey image; the format is recognised from the file's content, not
// its name. Only regular files are read (a FIFO or a device is refused without
// blocking). A colour image is converted to grey, round(0.299 R + 0.587 G +
// 0.114 B), and a warning naming the file is appended to `warnings`, as are the
// decoders' own warnings. Throws ImageFileError, or ImageTooLargeError; never
// std::bad_alloc.
GreyImage readGreyImage(const std::string& path, std::vector<std::string>& warnings,
                        const ReadOptions& options = {});

// Writes a 16-bit grey image in the format named by the extension; TIFF keeps
// image.resolution. The data go to a temporary file in the same folder,
// renamed into place when complete, so a failure never leaves a half-written
// file. Throws ImageFileError.
void writeGreyImage(const std::string& path, const GreyImage& image);

}  // namespace kestrano

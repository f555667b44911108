#pragma once
// Reading and writing grey images as 16-bit buffers: TIFF (8 or 16 bit),
// PNG (8 or 16 bit) and binary PGM (P5). Shared by the command-line tool and
// the host application; plain C++ on top of libtiff and libpng.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrano {

// rows x cols values, row after row, exactly as stored in the file (no scaling).
struct GreyImage {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::vector<std::uint16_t> pixels;
};

enum class ImageFormat { Tiff, Png, Pgm };

// The largest image read: its 5 % cut (rows x cols x 10) still fits in 32 bits.
// Images without pixels, or with more than this, are refused as unreadable.
constexpr std::int64_t maxGreyImagePixels = 429496729;

// Raised for a file that cannot be read or written; what() names the file and
// the reason ("cannot open", "truncated", "not a supported image", ...).
class ImageFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The format named by the path's extension (.tif/.tiff, .png, .pgm, any case);
// throws ImageFileError for any other extension.
ImageFormat formatFromPath(const std::string& path);

// Reads a grey image; the format is recognised from the file's content, not its
// name. A colour image is converted to grey and a warning is appended to
// `warnings`. Throws ImageFileError.
GreyImage readGreyImage(const std::string& path, std::vector<std::string>& warnings);

// Writes a 16-bit grey image in the format named by the extension. The data go
// to a temporary file in the same folder, renamed into place when complete, so
// a failure never leaves a half-written file. Throws ImageFileError.
void writeGreyImage(const std::string& path, const GreyImage& image);

}  // namespace kestrano

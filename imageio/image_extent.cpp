#include "imageio/image_extent.h"

#include "imageio/image_file.h"

namespace kestrano {

void checkImageExtent(const std::string& path, std::uint64_t width, std::uint64_t height)
{
    const std::string extent = "width " + std::to_string(width) + ", height " + std::to_string(height);
    if (width == 0 || height == 0)
        throw ImageFileError(path + ": zero-sized image (" + extent + ")");
    const std::uint64_t limit = static_cast<std::uint64_t>(maxGreyImagePixels);
    if (width > limit || height > limit || width * height > limit)
        throw ImageFileError(path + ": image too large (" + extent + "; at most " +
                             std::to_string(limit) + " pixels are accepted)");
}

}  // namespace kestrano

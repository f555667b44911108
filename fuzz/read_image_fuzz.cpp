// libFuzzer entry for the image readers: the bytes become a file (an
// anonymous in-memory one), which is counted and read like any input, with
// limits small enough for the fuzzer's memory and time. One source serves
// the TIFF, PNG, PGM and JPEG targets; their seed corpora differ.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imageio/image_file.h"

namespace {

// One file for the whole process, rewritten for every input.
int fuzzFile()
{
    static const int fd = [] {
        const int created = ::memfd_create("kestrano-fuzz-image", MFD_CLOEXEC);
        if (created < 0)
            std::abort();
        return created;
    }();
    return fd;
}

void readAs(const std::string& path, std::size_t page, bool rescale)
{
    kestrano::ReadOptions options;
    options.page = page;
    options.rescale = rescale;
    // Small enough that one input costs milliseconds, large enough for every code path.
    options.limits.maxPixels = 1u << 20;
    options.limits.maxBytes = 48u << 20;
    std::vector<std::string> warnings;
    try {
        const kestrano::GreyImage image = kestrano::readGreyImage(path, warnings, options);
        const std::size_t count = static_cast<std::size_t>(image.rows) * static_cast<std::size_t>(image.cols);
        if (image.rows <= 0 || image.cols <= 0 || image.pixels.size() != count)
            std::abort();  // a reader returned an image that does not hold together
    } catch (const kestrano::ImageFileError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = fuzzFile();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    std::size_t pages = 1;
    try {
        pages = kestrano::countPages(path);
    } catch (const kestrano::ImageFileError&) {
    }
    // The last byte picks the rescale, so both ways of reading get coverage.
    const bool rescale = size > 0 && (data[size - 1] & 1) != 0;
    readAs(path, 0, rescale);
    if (pages > 1)
        readAs(path, pages - 1, rescale);
    return 0;
}

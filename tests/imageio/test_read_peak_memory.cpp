// The budget holds for what a read really allocates: every malloc of the
// process (ours, libtiff's, libpng's, libjpeg's) is counted here, and the peak
// during a read stays within ReadLimits::maxBytes, also for files built to make
// decoders allocate. Counting replaces malloc, so this test is left out of
// sanitizer builds, which replace it themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/crafted_files.h"
#include "imageio/image_file.h"
#include "support/temp_folder.h"

#ifdef __SANITIZE_ADDRESS__  // the sanitizer owns malloc in this build
#define KESTRANO_COUNTING_MALLOC 0
#else
#define KESTRANO_COUNTING_MALLOC 1
#endif

namespace {

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

}  // namespace

#if KESTRANO_COUNTING_MALLOC
extern "C" {
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

// Every block carries its size and the address glibc gave, just in front.
static void* countedBlock(std::size_t size, std::size_t alignment)
{
    const std::size_t header = std::max<std::size_t>(alignment, 32);
    void* block = size > SIZE_MAX - header ? nullptr : __libc_memalign(alignment, header + size);
    auto* raw = static_cast<unsigned char*>(block);
    if (!raw)
        return nullptr;
    unsigned char* user = raw + header;
    std::memcpy(user - 16, &size, sizeof size);
    std::memcpy(user - 8, &raw, sizeof raw);
    const std::size_t now = liveBytes += size;
    for (std::size_t peak = peakBytes.load(); now > peak && !peakBytes.compare_exchange_weak(peak, now);) {
    }
    return user;
}

static std::size_t blockSize(void* pointer)
{
    std::size_t size = 0;
    std::memcpy(&size, static_cast<unsigned char*>(pointer) - 16, sizeof size);
    return size;
}

void* malloc(std::size_t size)
{
    return countedBlock(size, 16);
}

void free(void* pointer)
{
    if (!pointer)
        return;
    liveBytes -= blockSize(pointer);
    unsigned char* raw = nullptr;
    std::memcpy(&raw, static_cast<unsigned char*>(pointer) - 8, sizeof raw);
    __libc_free(raw);
}

void* calloc(std::size_t count, std::size_t size)
{
    void* pointer = size != 0 && count > SIZE_MAX / size ? nullptr : malloc(count * size);
    return pointer ? std::memset(pointer, 0, count * size) : nullptr;
}

void* realloc(void* pointer, std::size_t size)
{
    void* moved = malloc(size);
    if (pointer && moved) {
        std::memcpy(moved, pointer, std::min(blockSize(pointer), size));
        free(pointer);
    }
    return moved;
}

void* memalign(std::size_t alignment, std::size_t size)
{
    return countedBlock(size, std::max<std::size_t>(alignment, 16));
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    *out = memalign(alignment, size);
    return *out ? 0 : 12;  // ENOMEM
}

std::size_t malloc_usable_size(void* pointer)
{
    return pointer ? blockSize(pointer) : 0;
}
}
#endif

using namespace kestrano;

TEST(ReadPeakMemory, ReadsStayWithinTheBudget)
{
    if (!KESTRANO_COUNTING_MALLOC)
        GTEST_SKIP() << "the sanitizer owns malloc in this build";
    TempFolder folder;
    std::vector<std::uint16_t> ramp(300 * 200);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::uint16_t>(i * 37);
    for (const char* name : {"r.tif", "r.png", "r.pgm"})
        writeGreyImage(folder / name, GreyImage(200, 300, ramp));
    writeBytes(folder / "r.jpg", crafted::jpeg(300, 200, 1, {ramp.begin(), ramp.end()}, true, 90));
    crafted::TiffSpec tiles;  // one tile of 16 GiB
    tiles.width = tiles.height = 16, tiles.compression = 8, tiles.tileWidth = tiles.tileHeight = 65536;
    tiles.payload = std::string(100, '\0');
    writeBytes(folder / "tiles.tif", crafted::tiff(tiles));
    writeBytes(folder / "bomb.png", crafted::png(3000, 3000, 8, 0, crafted::deflated(std::string(3000 * 3001, '\0'))));

    const std::uint64_t budgets[] = {1 << 12, 1 << 16, 200000, 400000, 1 << 20, 4 << 20};
    for (const char* name : {"r.tif", "r.png", "r.pgm", "r.jpg", "tiles.tif", "bomb.png"})
        for (std::uint64_t budget : budgets) {
            ReadOptions options;
            options.limits.maxBytes = budget;
            std::vector<std::string> warnings;
            warnings.reserve(64);
            std::string error;
            error.reserve(1024);
            const std::size_t before = liveBytes.load();
            peakBytes = before;
            try {
                GreyImage image = readGreyImage(folder / name, warnings, options);
            } catch (const ImageFileError& e) {
                error = e.what();
            }
            // What the read kept or threw is allocated after the budget's check: a
            // message of a few hundred bytes at most on top.
            EXPECT_LE(peakBytes.load() - before, budget + 4096) << name << " within " << budget << ": " << error;
        }
}

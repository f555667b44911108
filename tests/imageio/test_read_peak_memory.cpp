// The budget holds for what a read really allocates: every malloc of the
// process (ours, libtiff's, libpng's, libjpeg's) is counted here, and the peak
// during a read stays within ReadLimits::maxBytes, also for files built to make
// decoders allocate. Counting replaces malloc, so this test is left out of
// sanitizer builds, which replace it themselves.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/crafted_files.h"
#include "imageio/image_file.h"
#include "support/counting_malloc.h"
#include "support/temp_folder.h"
#include "support/tiff_writer.h"

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
    TiffPage tiles{16, 16, 8, SAMPLEFORMAT_UINT, std::vector<unsigned char>(100)};  // one tile of 4 GiB
    tiles.tileSize = 65536, tiles.compression = COMPRESSION_ADOBE_DEFLATE, tiles.raw = true;
    writeTiff(folder / "tiles.tif", {tiles});
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

// Under a tight address-space limit a run may fail anywhere: loading Qt,
// starting threads, reading, running or drawing. Wherever it fails it must end
// with a message and leave no temporary file; it must never hang (Qt's drawing
// threads once did, waiting for a thread that could not be created).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kestrano_process.h"
#include "support/temp_folder.h"
#include "test_images.h"

using namespace kestrano;
namespace fs = std::filesystem;

#ifndef __SANITIZE_ADDRESS__  // the sanitizer reserves more address space than any limit here
TEST(LowMemory, EveryLimitEndsWithAMessageAndNoTemporaries)
{
    TempFolder work;
    // Large enough for Qt to split its image conversions across threads.
    writeGreyImage(work / "bars.pgm", barsImage(512, 512));
    for (long long mib = 76; mib <= 152; mib += 4) {
        const std::string out = "out" + std::to_string(mib);
        KestranoRun limited{work.path(), {"run", "bars.pgm", "--out-dir", out}};
        limited.addressLimit = mib << 20;
        const KestranoExit run = runKestrano(limited);
        SCOPED_TRACE(std::to_string(mib) + " MiB: " + run.err);
        if (run.status == 127 && run.err.find("error while loading shared libraries") != std::string::npos)
            continue;  // the loader itself did not fit
        ASSERT_TRUE(run.status == 0 || run.status == 2 || run.status == 3) << run.status;
        if (run.status != 0)
            EXPECT_NE(run.err.find("kestrano: error: "), std::string::npos);
        for (const auto& entry : fs::recursive_directory_iterator(work.path()))
            EXPECT_EQ(entry.path().filename().string().find("tmp-"), std::string::npos) << entry.path();
    }
}
#endif

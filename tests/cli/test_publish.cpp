// Publishing and temporaries in-process: what a rename may replace, undoing a
// half-done set, and telling a dead process's leftovers from a live one's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/publish.h"
#include "cli/result_names.h"
#include "cli/temporary_folder.h"
#include "imageio/replace_file.h"
#include "support/temp_folder.h"

using namespace kestrano;
namespace fs = std::filesystem;

using Names = std::vector<std::string>;

namespace {

// A data folder staged with one file saying which run wrote it.
std::unique_ptr<TemporaryFolder> stagedData(const std::string& parent, const std::string& run)
{
    auto staging = std::make_unique<TemporaryFolder>(parent);
    fs::create_directory(*staging / "data");
    writeBytes(*staging / "data/dataLen.dat", run);
    return staging;
}

Placement dataPlacement(const TemporaryFolder& staging, const std::string& destination)
{
    return {staging / "data", destination, Placement::Existing::ReplaceOurFolder, dataFileNames(), ""};
}

}  // namespace

TEST(Publish, ReplacesOurFoldersWholeAndNothingElse)
{
    TempFolder work;
    const std::string data = work / "data";
    EXPECT_TRUE(publish({dataPlacement(*stagedData(work.path(), "first"), data)}).empty());  // absent: nothing replaced
    EXPECT_EQ(publish({dataPlacement(*stagedData(work.path(), "second"), data)}), Names{data});
    EXPECT_EQ(readBytes(data + "/dataLen.dat"), "second");
    EXPECT_EQ(namesIn(work.path()), Names{"data"});  // the swapped-out folder went with its staging folder

    // A folder holding anything else is never replaced, and nothing of the set moves.
    fs::create_directory(data + "/dataAng.dat");
    writeBytes(work / "image.tif", "old image");
    {
        const auto third = stagedData(work.path(), "third");
        writeBytes(*third / "image.tif", "new image");
        const std::vector<Placement> set = {
            {*third / "image.tif", work / "image.tif", Placement::Existing::ReplaceFile, {}, ""},
            dataPlacement(*third, data)};
        EXPECT_THROW(publish(set), WriteError);
        EXPECT_EQ(replaceRefusal(set[1]).find("holds dataAng.dat"), data.size() + 1) << replaceRefusal(set[1]);
    }
    EXPECT_EQ(readBytes(work / "image.tif"), "old image");
    EXPECT_EQ(readBytes(data + "/dataLen.dat"), "second");

    // A failure half-way undoes the moves already made.
    fs::remove(data + "/dataAng.dat");
    {
        const auto fourth = stagedData(work.path(), "fourth");
        writeBytes(*fourth / "image.tif", "new image");
        const std::vector<Placement> set = {
            {*fourth / "image.tif", work / "image.tif", Placement::Existing::ReplaceFile, {}, ""},
            {*fourth / "missing", work / "other", Placement::Existing::Refuse, {}, ""}};
        EXPECT_THROW(publish(set), WriteError);
    }
    EXPECT_EQ(readBytes(work / "image.tif"), "old image");
    EXPECT_EQ(namesIn(work.path()), (Names{"data", "image.tif"}));
}

TEST(TemporaryFolder, StaleOnesGoLiveOnesStay)
{
    TempFolder work;
    const TemporaryFolder live(work.path());
    // Leftovers of dead processes: nobody holds their locks.
    fs::create_directories(work / ".kestrano-tmp-1-abcdef/data");
    writeBytes(work / ".lines.tif.tmp-0123abcd", "partial");
    writeBytes(work / ".notes.tmp-keep", "not ours");
    writeBytes(work / "results.csv", "not ours");
    {
        ReplacementFile writing(work / "out.png");  // a live writer's file stays too
        removeStaleTemporaries(work.path());
        Names expected = {fs::path(live.path()).filename().string(), fs::path(writing.path()).filename().string(),
                          ".notes.tmp-keep", "results.csv"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesIn(work.path()), expected);
    }
    EXPECT_TRUE(isReplacementFileName(".a.tif.tmp-00ff00ff"));
    EXPECT_FALSE(isReplacementFileName(".a.tif.tmp-00FF00FF"));
    EXPECT_FALSE(isReplacementFileName("a.tif.tmp-00ff00ff"));
}

// Faults only a process shows: full disks, interrupts, concurrent runs,
// inputs that fail in a batch, limits. Each checks the exit status, the
// message, and that no temporary is left and no earlier file changed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "kestrano_process.h"
#include "support/temp_folder.h"
#include "test_images.h"

using namespace kestrano;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

bool hasTemporary(const std::string& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".kestrano-tmp-", 0) == 0)
            return true;
    return false;
}

// A work folder with an input and the results of an earlier -o run and an
// earlier --out-dir run.
struct EarlierResults {
    TempFolder work;
    EarlierResults(int rows = 72, int cols = 96)
    {
        writeGreyImage(work / "in.pgm", barsImage(rows, cols));
        if (runKestrano(work, {"run", "in.pgm", "-o", "out.pgm", "--data-dir", "d"}).status != 0 ||
            runKestrano(work, {"run", "in.pgm", "--out-dir", "res"}).status != 0)
            throw std::runtime_error("the earlier runs failed");
        before = snapshot(work.path());
    }
    std::map<std::string, std::string> before;
};

}  // namespace

// Runs racing into one image and one data folder: the survivor is one run's whole set.
TEST(KestranoFaults, ConcurrentRunsNeverMix)
{
    TempFolder work;
    writeGreyImage(work / "in.pgm", barsImage());
    const std::vector<Names> variants = {{"--set", "nBins=5", "--set", "tipoOutput=c"},
                                         {"--set", "nBins=20"},
                                         {"--set", "nBins=12", "--set", "nAng=64"}};
    const auto arguments = [&](const std::string& dir, std::size_t variant) {
        Names list = {"run", "in.pgm", "-o", dir + "/out.pgm", "--data-dir", dir, "--threads", "1"};
        list.insert(list.end(), variants[variant].begin(), variants[variant].end());
        return list;
    };
    std::vector<std::map<std::string, std::string>> references;
    for (const std::string dir : {"ref0", "ref1", "ref2"}) {
        fs::create_directory(work / dir);
        ASSERT_EQ(runKestrano(work, arguments(dir, references.size())).status, 0);
        references.push_back(snapshot(work / dir));
    }
    const auto expectOneWholeSet = [&](const char* what) {
        const auto result = snapshot(work / "race");
        EXPECT_TRUE(result == references[0] || result == references[1] || result == references[2]) << what;
    };
    fs::create_directory(work / "race");
    std::vector<std::unique_ptr<KestranoProcess>> runs;
    for (std::size_t i = 0; i < 6; ++i)
        runs.push_back(std::make_unique<KestranoProcess>(KestranoRun{work.path(), arguments("race", i % 3)}));
    for (auto& run : runs)
        EXPECT_EQ(run->wait().status, 0);
    expectOneWholeSet("six runs at once");

    // One run's renames slowed down (300 ms each), another run publishing in between.
    if (std::system("command -v strace >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is not installed";
    KestranoRun slow{work.path(), arguments("race", 0)};
    // The leak checker of sanitizer builds cannot run under a tracer.
    slow.wrapper = {"/usr/bin/strace", "-f", "-qq", "-o", "/dev/null", "-E", "ASAN_OPTIONS=detect_leaks=0",
                    "-e", "trace=rename,renameat2", "-e", "inject=rename:delay_exit=300000",
                    "-e", "inject=renameat2:delay_exit=300000"};
    KestranoProcess first(slow);
    for (int i = 0; i < 2000 && !hasTemporary(work / "race"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(runKestrano(work, arguments("race", 1)).status, 0);
    EXPECT_EQ(first.wait().status, 0);
    expectOneWholeSet("a slow publication");
}

TEST(KestranoFaults, InterruptsRemoveTemporariesAndKeepEarlierResults)
{
    for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
        EarlierResults earlier(400, 400);
        const std::string res = earlier.work / "res";
        KestranoRun run{earlier.work.path(), {"run", "in.pgm", "--out-dir", "res", "--overwrite", "--threads", "1"}};
        run.signalWhen = [&] { return hasTemporary(res); };
        run.signal = signal;
        const KestranoExit stopped = KestranoProcess(run).wait();
        EXPECT_EQ(stopped.status, 128 + signal);
        if (signal == SIGKILL) {
            // The dead run's folder stays until the next run into the folder removes it.
            EXPECT_TRUE(hasTemporary(res));
            EXPECT_EQ(runKestrano(earlier.work, {"summary", "res"}).status, 0);
        }
        EXPECT_FALSE(hasTemporary(res)) << signal;
        EXPECT_EQ(snapshot(earlier.work.path()), earlier.before) << signal;
    }
}

TEST(KestranoFaults, OneInputsFailureStaysItsOwn)
{
    TempFolder work;
    writeGreyImage(work / "a.pgm", barsImage());
    writeGreyImage(work / "c.pgm", barsImage());
    writeGreyImage(work / "odd\xff.pgm", barsImage());  // a file name that is not UTF-8
    EXPECT_EQ(runKestrano(work, {"run", "odd\xff.pgm", "--out-dir", "out"}).status, 0);
    EXPECT_TRUE(fs::exists(work / "out/odd\xff/segments.csv"));

#ifndef __SANITIZE_ADDRESS__  // the sanitizer reserves more address space than the limit
    // An allocation failure in the run: 3000 x 3000 pixels within 200 MB of address space.
    writeGreyImage(work / "flat.png", GreyImage(3000, 3000, std::vector<std::uint16_t>(3000 * 3000, 0)));
    KestranoRun limited{work.path(),
                        {"run", "a.pgm", "flat.png", "c.pgm", "--out-dir", "lim", "--jobs", "1", "--threads", "1"}};
    limited.addressLimit = 150ll << 20;
    const KestranoExit starved = KestranoProcess(limited).wait();
    EXPECT_TRUE(starved.status == 2 || starved.status == 3) << starved.status;
    EXPECT_NE(starved.err.find("kestrano: error: flat.png: not enough memory"), std::string::npos) << starved.err;
    EXPECT_TRUE(fs::exists(work / "lim/a/segments.csv"));
    EXPECT_TRUE(fs::exists(work / "lim/c/segments.csv"));
#endif
}

// Refusals come before anything is written or printed; failed writes come after
// the pipeline's lines. Either way no earlier result changes.
TEST(KestranoFaults, RefusalsAndFailedWritesLeaveEarlierResults)
{
    struct Case {
        Names arguments;
        const char* message;
        long long fileSize = -1;      // 4000 bytes: too few for the image (13824) or a histogram of 2000 bins
        std::string stdoutPath = "";  // /dev/full: standard output cannot be written
    };
    EarlierResults earlier;
    const TempFolder& work = earlier.work;
    // Entries that are not ours are never replaced.
    fs::create_directories(work / "f/data/dataAng.dat");
    fs::copy(work / "res", work / "mine", fs::copy_options::recursive);
    writeBytes(work / "mine/in/notes.txt", "mine");
    fs::create_directory(work / "batch");
    writeBytes(work / "batch/summary.csv", "an earlier batch's table");
    // A folder nobody may write into, root included: reported before the pipeline runs.
    fs::create_directory(work / "locked");
    const bool locked = std::system((::geteuid() == 0 ? "chattr +i '" + work / "locked" + "' 2>/dev/null"
                                                      : "chmod 555 '" + work / "locked" + "'").c_str()) == 0;
    const auto before = snapshot(work.path());
    std::vector<Case> cases = {
        {{"run", "-", "-o", "x.pgm"}, "standard input is not supported"},
        {{"run", "in.pgm", "-o", "out.pgm", "--data-dir", "f", "--set", "nBins=20"}, "holds dataAng.dat"},
        {{"run", "in.pgm", "--out-dir", "mine", "--overwrite"}, "notes.txt"},
        {{"run", "in.pgm", "--out-dir", "res", "--set", "nBins=20"}, "--overwrite"},
        {{"run", "in.pgm", "--out-dir", "batch"}, "batch/summary.csv already exists"},
        {{"run", "in.pgm", "--out-dir", "res", "--overwrite", "--set", "nAng=2000000000"}, "nAng"},
        {{"run", "in.pgm", "-o", "out.pgm", "--data-dir", "d", "--max-pixels", "100"}, "--max-pixels"},
        {{"run", "in.pgm", "-o", "out.pgm", "--data-dir", "d", "--max-memory", "1k"}, "--max-memory"},
        // Read within the budget, but the run would need more: refused with what it needs.
        {{"run", "in.pgm", "-o", "out.pgm", "--data-dir", "d", "--max-memory", "1M"}, "the run on 96 x 72"},
        {{"run", "in.pgm", "-o", "out.pgm", "--data-dir", "d", "--set", "nBins=2000"}, "cannot write (File too large)",
         4000},
        {{"run", "in.pgm", "--data-dir", "d", "--set", "nBins=2000"}, "cannot write (File too large)", 4000},
        {{"run", "in.pgm", "--out-dir", "res", "--overwrite", "--set", "nBins=2000"}, "cannot write (File too large)",
         4000},
        {{"run", "in.pgm", "-o", "out.pgm", "--data-dir", "d"}, "cannot write standard output", -1, "/dev/full"}};
    if (locked)
        cases.push_back({{"run", "in.pgm", "-o", "locked/x.pgm", "--data-dir", "d"}, "a folder in locked"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        KestranoRun run{work.path(), c.arguments, c.fileSize};
        run.stdoutPath = c.stdoutPath;
        const KestranoExit done = KestranoProcess(run).wait();
        EXPECT_EQ(done.status, 2);
        EXPECT_EQ(done.out.empty(), c.fileSize < 0);  // a refusal prints nothing; /dev/full takes what is printed
        EXPECT_NE(done.err.find(c.message), std::string::npos) << done.err;
        EXPECT_EQ(snapshot(work.path()), before);
    }
    std::system(("chattr -i '" + work / "locked" + "' 2>/dev/null; chmod 755 '" + work / "locked" + "'").c_str());
    // Once they are gone, --overwrite replaces our own results.
    fs::remove(work / "mine/in/notes.txt");
    ASSERT_EQ(runKestrano(work, {"run", "in.pgm", "--out-dir", "mine", "--overwrite", "--set", "nBins=20"}).status, 0);
    EXPECT_EQ(std::stoi(readBytes(work / "mine/in/data/histoLen.dat")), 21);
    EXPECT_EQ(namesIn(work / "mine"), (Names{"in", "report.html", "summary.csv"}));

    // An output that is a link: its target is replaced, the link stays.
    fs::create_directory(work / "real");
    fs::create_symlink("real/target.pgm", work / "link.pgm");
    ASSERT_EQ(runKestrano(work, {"run", "in.pgm", "-o", "link.pgm", "--data-dir", "d"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(work / "link.pgm"));
    EXPECT_EQ(readBytes(work / "real/target.pgm"), readBytes(work / "out.pgm"));
}

// Under a tight address-space limit a run may fail anywhere: loading Qt,
// starting threads, reading, running or drawing. Wherever it fails it must end
// with a message and leave no temporary file; it must never hang (Qt's drawing
// threads once did, waiting for a thread that could not be created).
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
        const KestranoExit run = KestranoProcess(limited).wait();
        SCOPED_TRACE(std::to_string(mib) + " MiB: " + run.err);
        if (run.status == 127 && run.err.find("error while loading shared libraries") != std::string::npos)
            continue;  // the loader itself did not fit
        ASSERT_TRUE(run.status == 0 || run.status == 2 || run.status == 3) << run.status;
        if (run.status != 0) {
            EXPECT_NE(run.err.find("kestrano: error: "), std::string::npos);
        }
        for (const auto& entry : fs::recursive_directory_iterator(work.path()))
            EXPECT_EQ(entry.path().filename().string().find("tmp-"), std::string::npos) << entry.path();
    }
}
#endif

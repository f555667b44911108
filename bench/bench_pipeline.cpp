// Times the pipeline on an image file, stage by stage, on one thread and on
// every core, and checks the speed and memory targets.
//
//   bench_pipeline IMAGE [--max-seconds S] [--max-rss-mib M] [--repeat N]
//
// Stage times come from one whole run with default parameters: the moment
// each of the pipeline's own lines is written marks where a stage starts.
// Each stage is also given as a multiple of one memcpy of the image as floats
// (4 bytes a pixel), measured in the same run: the stages that only touch
// pixels should stay within a small multiple of it. The best of --repeat runs
// (default 2) counts; the processor time of the whole run is given too, for
// busy machines. Peak memory is the whole process's, which holds the decoded
// image as well. Exit status 1 when a target is missed, 2 on bad usage.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <streambuf>
#include <string>
#include <vector>

#include "core/kestrano.h"
#include "core/parallel.h"
#include "core/run_settings.h"
#include "imageio/image_file.h"
#include "pipeline/memory_estimate.h"

using namespace kestrano;

namespace {

using Clock = std::chrono::steady_clock;

// A stage and the prefix of the line written when it starts.
struct Stage {
    const char* name;
    const char* marker;
    bool pixelsOnly;  // touches every pixel a fixed number of times
};

const Stage kStages[] = {
    {"diffusion (25 iterations)", "nIts:", true},
    {"gradient", "s:", true},
    {"contrast stretch", "MIN CDF", true},
    {"threshold", "Umbralizacion", true},
    {"labelling and size filter", "Line Detection", false},
    {"ray search", "N lista=", false},
    {"pruning", "Tamanho Mapa", false},
    {"painting and histograms", "Painting SL", false},
};
constexpr std::size_t kStageCount = sizeof(kStages) / sizeof(kStages[0]);

// Discards the pipeline's lines but notes when each stage's first line went by.
class StageClock : public std::streambuf {
public:
    explicit StageClock(std::vector<Clock::time_point>& marks) : marks_(marks) {}

protected:
    int_type overflow(int_type c) override
    {
        if (c == traits_type::eof())
            return traits_type::not_eof(c);
        if (atLineStart_ || line_.size() < 16)
            line_.push_back(static_cast<char>(c));
        atLineStart_ = false;
        if (c == '\n' || c == '\r') {
            check();
            line_.clear();
            atLineStart_ = true;
        }
        return c;
    }

private:
    void check()
    {
        for (std::size_t s = 0; s < kStageCount; ++s)
            if (marks_[s] == Clock::time_point{} &&
                line_.compare(0, std::strlen(kStages[s].marker), kStages[s].marker) == 0)
                marks_[s] = Clock::now();
    }

    std::vector<Clock::time_point>& marks_;
    std::string line_;
    bool atLineStart_ = true;
};

// User and system time of the whole process so far.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Timing {
    double whole = 0.0;
    double cpu = 0.0;  // processor time of the run, all threads together
    std::vector<double> stages = std::vector<double>(kStageCount, 0.0);
};

Timing timeRun(const GreyImage& image, int threads)
{
    const std::int32_t origin[3] = {0, 0, 0};
    ParamList list = startParamList({}, origin);
    addDialogValues(list, DialogValues{});
    std::vector<Clock::time_point> marks(kStageCount);
    StageClock clock(marks);
    std::ostream log(&clock);
    const double cpuStart = cpuSeconds();
    const auto start = Clock::now();
    const RunResult result = run(image.pixels.data(), image.rows, image.cols, list, RunOptions{&log, threads});
    const auto stop = Clock::now();
    Timing t;
    t.whole = std::chrono::duration<double>(stop - start).count();
    t.cpu = cpuSeconds() - cpuStart;
    for (std::size_t s = 0; s < kStageCount; ++s) {
        const auto end = s + 1 < kStageCount ? marks[s + 1] : stop;
        if (marks[s] != Clock::time_point{} && end != Clock::time_point{})
            t.stages[s] = std::chrono::duration<double>(end - marks[s]).count();
    }
    return t;
}

Timing bestOf(const GreyImage& image, int threads, int repeat)
{
    Timing best;
    best.whole = std::numeric_limits<double>::infinity();
    for (int r = 0; r < repeat; ++r) {
        const Timing t = timeRun(image, threads);
        if (t.whole < best.whole)
            best = t;
    }
    return best;
}

// The best of a few memcpy passes over n floats, in a child process so that
// its two buffers do not count in this process's peak memory.
double memcpySeconds(std::size_t n)
{
    int fds[2];
    if (pipe(fds) != 0)
        return 0.0;
    const pid_t child = fork();
    if (child == 0) {
        std::vector<float> from(n, 1.0f), to(n, 0.0f);
        double best = std::numeric_limits<double>::infinity();
        for (int r = 0; r < 5; ++r) {
            const auto start = Clock::now();
            std::memcpy(to.data(), from.data(), n * sizeof(float));
            best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
            from[r] = to[n - 1 - r];  // keeps the copies from being dropped
        }
        const ssize_t written = write(fds[1], &best, sizeof best);
        _exit(written == sizeof best ? 0 : 1);
    }
    close(fds[1]);
    double seconds = 0.0;
    if (child < 0 || read(fds[0], &seconds, sizeof seconds) != sizeof seconds)
        seconds = 0.0;
    close(fds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return seconds;
}

double peakRssMib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: bench_pipeline IMAGE [--max-seconds S] [--max-rss-mib M] [--repeat N]\n";
        return 2;
    }
    double maxSeconds = 0.0;
    double maxRss = 0.0;
    int repeat = 2;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--max-seconds")
            maxSeconds = std::atof(argv[i + 1]);
        else if (flag == "--max-rss-mib")
            maxRss = std::atof(argv[i + 1]);
        else if (flag == "--repeat")
            repeat = std::max(1, std::atoi(argv[i + 1]));
        else {
            std::cerr << "unknown option " << flag << "\n";
            return 2;
        }
    }

    std::vector<std::string> warnings;
    GreyImage image;
    try {
        image = readGreyImage(argv[1], warnings);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }
    const double rssBefore = peakRssMib();
    const std::size_t pixels = static_cast<std::size_t>(image.rows) * static_cast<std::size_t>(image.cols);
    const double pass = memcpySeconds(pixels);
    const int cores = workerCount(0);
    const Timing one = bestOf(image, 1, repeat);
    const Timing all = bestOf(image, cores, repeat);
    const double rss = peakRssMib();

    std::printf("image %s: %d x %d, %d cores, memcpy of the float image %.2f ms\n", argv[1],
                image.rows, image.cols, cores, pass * 1e3);
    std::printf("  %-28s %10s %10s %9s %12s\n", "stage", "1 thread", "all cores", "speed-up",
                "x memcpy");
    const auto line = [&](const char* name, double a, double b) {
        std::printf("  %-28s %8.3f s %8.3f s %8.2f x %11.1f\n", name, a, b, b > 0.0 ? a / b : 0.0,
                    pass > 0.0 ? b / pass : 0.0);
    };
    for (std::size_t s = 0; s < kStageCount; ++s)
        line(kStages[s].name, one.stages[s], all.stages[s]);
    line("whole run", one.whole, all.whole);
    // On a busy machine the processor time tells what the run itself needed.
    std::printf("  %-28s %8.3f s %8.3f s\n", "whole run, processor time", one.cpu, all.cpu);
    std::printf("  %-28s %8.3f   (per iteration, all cores: %.1f x memcpy)\n", "",
                all.stages[0] / 25.0, pass > 0.0 ? all.stages[0] / 25.0 / pass : 0.0);
    std::printf("  %-28s %8.1f MiB\n", "peak resident memory", rss);
    // The bound covers what run() allocates; the process adds the decoded
    // image, its code and libraries (measured before the first run).
    const std::int32_t origin[3] = {0, 0, 0};
    ParamList defaults = startParamList({}, origin);
    addDialogValues(defaults, DialogValues{});
    const double bound = static_cast<double>(estimatedRunBytes(image.rows, image.cols, defaults)) / 1048576.0;
    std::printf("  %-28s %8.1f MiB (+ %.1f MiB before the first run)\n", "estimated run bound", bound,
                rssBefore);

    int status = 0;
    if (maxSeconds > 0.0 && all.whole > maxSeconds) {
        std::printf("TARGET MISSED: whole run %.3f s > %.3f s\n", all.whole, maxSeconds);
        status = 1;
    }
    if (rss > rssBefore + bound) {
        std::printf("ESTIMATE TOO LOW: peak %.1f MiB > %.1f + %.1f MiB\n", rss, rssBefore, bound);
        status = 1;
    }
    if (maxRss > 0.0 && rss > maxRss) {
        std::printf("TARGET MISSED: peak memory %.1f MiB > %.1f MiB\n", rss, maxRss);
        status = 1;
    }
    return status;
}

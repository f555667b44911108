// Times the pipeline on an image file and checks the speed and memory
// targets. Each run enables one more stage than the one before (so the time
// of a stage is roughly the step from the previous line); every run starts
// from the same pixels.
//
//   bench_pipeline IMAGE [--max-seconds S] [--max-rss-mib M]
//
// Exit status 1 when a target is missed, 2 on bad usage.
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/kestrano.h"
#include "core/run_settings.h"
#include "imageio/image_file.h"

using namespace kestrano;

namespace {

double runSeconds(const GreyImage& image, const DialogValues& values, const std::string& dataDir)
{
    const std::int32_t origin[3] = {0, 0, 0};
    ParamList list = startParamList({}, origin);
    addDialogValues(list, values);

    // The pipeline's progress lines are not part of the timing.
    const auto start = std::chrono::steady_clock::now();
    const RunResult result = run(image.pixels.data(), image.rows, image.cols, list);
    const auto stop = std::chrono::steady_clock::now();
    (void)dataDir;
    return std::chrono::duration<double>(stop - start).count();
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
        std::cerr << "usage: bench_pipeline IMAGE [--max-seconds S] [--max-rss-mib M]\n";
        return 2;
    }
    double maxSeconds = 0.0;
    double maxRss = 0.0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--max-seconds")
            maxSeconds = std::atof(argv[i + 1]);
        else if (flag == "--max-rss-mib")
            maxRss = std::atof(argv[i + 1]);
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
    const auto dataDir = std::filesystem::temp_directory_path() / "kestrano-bench-data";
    std::filesystem::create_directories(dataDir);

    // Each step enables one more stage than the one before.
    DialogValues v;
    v.smoothingOn = v.gradientOn = v.thresholdingOn = v.lineDetectionOn = false;
    struct Step {
        const char* stage;
        double seconds;
    };
    std::vector<Step> steps;
    steps.push_back({"stretch", runSeconds(image, v, dataDir.string())});
    v.smoothingOn = true;
    steps.push_back({"+ diffusion", runSeconds(image, v, dataDir.string())});
    v.gradientOn = true;
    steps.push_back({"+ gradient", runSeconds(image, v, dataDir.string())});
    v.thresholdingOn = true;
    steps.push_back({"+ threshold", runSeconds(image, v, dataDir.string())});
    v.lineDetectionOn = true;
    steps.push_back({"+ line detection and outputs", runSeconds(image, v, dataDir.string())});
    std::filesystem::remove_all(dataDir);

    std::printf("image %s: %d x %d\n", argv[1], image.rows, image.cols);
    for (const Step& s : steps)
        std::printf("  %-30s %8.3f s\n", s.stage, s.seconds);
    const double total = steps.back().seconds;
    const double rss = peakRssMib();
    std::printf("  %-30s %8.1f MiB\n", "peak resident memory", rss);

    int status = 0;
    if (maxSeconds > 0.0 && total > maxSeconds) {
        std::printf("TARGET MISSED: whole run %.3f s > %.3f s\n", total, maxSeconds);
        status = 1;
    }
    if (maxRss > 0.0 && rss > maxRss) {
        std::printf("TARGET MISSED: peak memory %.1f MiB > %.1f MiB\n", rss, maxRss);
        status = 1;
    }
    return status;
}

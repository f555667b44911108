// One diffusion iteration on a 2048 x 2048 fibre-like image, one core: the
// literal per-pixel pass of the tests against diffuseRows. Prints the best thread CPU time of
// several runs of each and checks that both give the same image.
//
//   bench_diffusion_rows [SIZE] [RUNS] [BLACK_SHARE]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "preprocess/diffusion_reference.h"
#include "preprocess/diffusion_rows.h"
#include "preprocess/exact_exp.h"

namespace {

// Levels of the benchmark fibre images: a smooth background about 5200 +- 800
// with noise of sigma 350, bright straight streaks about 30000; with
// `zeroShare` > 0 that share of the rows is black (NaN after one iteration).
std::vector<float> fibreLikeImage(std::int32_t size, double zeroShare)
{
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 350.0f);
    std::vector<float> image(static_cast<std::size_t>(size) * size);
    for (std::int32_t r = 0; r < size; ++r) {
        for (std::int32_t c = 0; c < size; ++c) {
            const double background = 5200.0 + 800.0 * std::sin(r * 0.004) * std::cos(c * 0.003);
            const bool streak = (r + 3 * c) % 211 < 3 || (2 * r - c + 5000) % 347 < 2;
            const bool black = r < zeroShare * size;
            const double v =
                black ? 0.0 : background + (streak ? 25000.0 : 0.0) + noise(random);
            image[static_cast<std::size_t>(r) * size + c] =
                static_cast<float>(static_cast<std::uint16_t>(std::clamp(v, 0.0, 65535.0)));
        }
    }
    return image;
}

// CPU time of this thread: other work on a shared machine does not count.
template <class Pass>
double secondsOf(Pass pass)
{
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
    };
    const double start = now();
    pass();
    return now() - start;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::int32_t size = argc > 1 ? std::atoi(argv[1]) : 2048;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const double zeroShare = argc > 3 ? std::atof(argv[3]) : 0.0;
    const float kf = 2000.0f;  // the stage's kappa and time step
    const double deltaT = 0.14;
    const double diagonal = std::sqrt(2.0);
    const kestrano::reference::FluxWeights w{1.0f, 1.0f,
                                             static_cast<float>(1.0 / (diagonal * diagonal))};

    const std::vector<float> image = fibreLikeImage(size, zeroShare);
    // Black areas show their cost from the second iteration on.
    std::vector<float> start(image.size());
    if (zeroShare > 0)
        kestrano::diffuseRows(image.data(), start.data(), size, size, 0, size, kf, w.wy, w.wx,
                              w.wd, deltaT);
    else
        start = image;
    std::vector<float> scalar(image.size());
    std::vector<float> vector(image.size());
    // Alternated, so that both see the same load on a shared machine.
    double scalarSeconds = 1e30;
    double vectorSeconds = 1e30;
    for (int i = 0; i < runs; ++i) {
        scalarSeconds = std::min(scalarSeconds, secondsOf([&] {
            kestrano::reference::diffuseOnce(start.data(), scalar.data(), size, size, kf, w,
                                             deltaT);
        }));
        vectorSeconds = std::min(vectorSeconds, secondsOf([&] {
            kestrano::diffuseRows(start.data(), vector.data(), size, size, 0, size, kf, w.wy,
                                  w.wx, w.wd, deltaT);
        }));
    }
    // NaN compares as one pattern (which NaN an addition passes on is up to
    // the compiler's operand order); everything else bit for bit.
    std::size_t differing = 0;
    for (std::size_t i = 0; i < image.size(); ++i) {
        const bool bothNaN = std::isnan(scalar[i]) && std::isnan(vector[i]);
        differing += !bothNaN && std::memcmp(&scalar[i], &vector[i], 4) != 0 ? 1 : 0;
    }
    const bool same = differing == 0;
    std::printf("%d x %d, black rows %.0f%%, one iteration, best CPU time of %d, target %s\n", size, size,
                zeroShare * 100, runs, kestrano::exactNegExpTarget());
    std::printf("scalar pass  %8.1f ms\n", scalarSeconds * 1e3);
    std::printf("diffuseRows  %8.1f ms\n", vectorSeconds * 1e3);
    std::printf("speed-up     %8.2f x, images %s\n", scalarSeconds / vectorSeconds,
                same ? "identical" : "DIFFER");
    return same ? 0 : 1;
}

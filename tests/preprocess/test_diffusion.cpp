#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "preprocess/anisotropic_diffusion.h"
#include "preprocess/diffusion_terms.h"
#include "preprocess/pixel_conversions.h"
#include "support/capture_stdout.h"

namespace {

std::vector<float> diffuse(const std::vector<std::uint16_t>& pixels, ImageSize size, int iterations)
{
    CaptureStdout quiet;
    return anisotropicDiffusion(pixels.data(), size, iterations, 1, 2000, 0.14);
}

// One iteration after another from the stand-alone units, each step written
// out as the stage defines it.
std::vector<float> composedDiffusion(const std::vector<std::uint16_t>& pixels, ImageSize size,
                                     int iterations, std::int32_t kappa, double deltaT)
{
    std::vector<float> image(pixels.begin(), pixels.end());
    std::vector<Matrix<float>> kernels;
    for (int d = 0; d < diffusion::kDirectionCount; ++d)
        kernels.push_back(diffusion::directionKernel(d));
    const auto kf = static_cast<float>(kappa);
    for (int it = 0; it < iterations; ++it) {
        std::vector<std::vector<float>> flux;
        for (int d = 0; d < diffusion::kDirectionCount; ++d) {
            const auto diff = directionalDifference(image.data(), size, kernels[d], 3);
            std::vector<float> coefficient(diff.size());
            for (std::size_t i = 0; i < diff.size(); ++i) {
                const float q = (diff[i] / kf) * (diff[i] / kf);
                coefficient[i] = static_cast<float>(std::exp(-static_cast<double>(q)));
            }
            flux.push_back(multiplyImages(coefficient.data(), diff.data(), size));
        }
        const auto sum = combineFluxes(1, 1, std::sqrt(2.0), size, flux[0].data(), flux[1].data(),
                                       flux[2].data(), flux[3].data(), flux[4].data(),
                                       flux[5].data(), flux[6].data(), flux[7].data());
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<float>(static_cast<double>(sum[i]) * deltaT +
                                          static_cast<double>(image[i]));
    }
    return image;
}

}  // namespace

TEST(AnisotropicDiffusion, PrintsSettingsAndRejectsOtherOptions)
{
    const std::vector<std::uint16_t> pixels = {0, 7, 65535, 12};
    CaptureStdout out;
    EXPECT_EQ(anisotropicDiffusion(pixels.data(), {2, 2}, -3, 1, 2000, 0.14),
              (std::vector<float>{0.0f, 7.0f, 65535.0f, 12.0f}));
    const std::string settings =
        "Anisotropico devuelve float\niteraciones -3\nopcion 1\nkappa 2000\ndelta_t 0.14\n";
    EXPECT_EQ(out.text(), settings);
    try {
        anisotropicDiffusion(pixels.data(), {2, 2}, 5, 2, 2000, 0.14);
        FAIL() << "option 2 accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "anisotropic diffusion: option 2 is not supported; only option 1 "
                               "(exponential conduction)");
    }
    EXPECT_EQ(out.text(), settings);  // refused before printing
}

TEST(AnisotropicDiffusion, BrightCentreOfThreeByThree)
{
    const auto result = diffuse({100, 100, 100, 100, 200, 100, 100, 100, 100}, {3, 3}, 1);
    for (int i : {0, 2, 6, 8})
        EXPECT_EQ(double(result[i]), 89.50164031982422);
    for (int i : {1, 3, 5, 7})
        EXPECT_EQ(double(result[i]), 97.66683197021484);
    EXPECT_EQ(double(result[4]), 190.66696166992188);
    EXPECT_EQ(floatToPixels(result.data(), 9),
              (std::vector<std::uint16_t>{89, 97, 89, 97, 190, 97, 89, 97, 89}));
}

TEST(AnisotropicDiffusion, SinglePixelSpreadsOnlyToItsNeighbours)
{
    std::vector<std::uint16_t> pixels(25, 0);
    pixels[12] = 1000;
    const double expected[2][3] = {{345.8073425292969, 109.03211212158203, 54.516056060791016},
                                   {322.0171813964844, 106.92294311523438, 56.74494171142578}};
    for (int iterations : {1, 2}) {
        const auto result = diffuse(pixels, {5, 5}, iterations);
        const double* e = expected[iterations - 1];
        EXPECT_EQ(double(result[12]), e[0]);
        for (int i : {7, 11, 13, 17})
            EXPECT_EQ(double(result[i]), e[1]);
        for (int i : {6, 8, 16, 18})
            EXPECT_EQ(double(result[i]), e[2]);
        const auto px = floatToPixels(result.data(), 25);
        for (int i = 0; i < 25; ++i)
            if (i / 5 % 4 == 0 || i % 5 % 4 == 0) {  // the outer ring
                EXPECT_TRUE(std::isnan(result[i])) << i;
                EXPECT_EQ(px[i], 0);
            }
    }
    const auto zeros = diffuse(std::vector<std::uint16_t>(12, 0), {3, 4}, 3);
    EXPECT_EQ(floatToPixels(zeros.data(), 12), std::vector<std::uint16_t>(12, 0));
}

TEST(AnisotropicDiffusion, UnitsCountOnlyPositiveSamplesInside)
{
    // 0 at (0, 1) and NaN at (1, 0) do not count; the frame never does.
    const std::vector<float> image = {4, 0, 8, std::nanf(""), 6, 10, 12, 14, 16};
    const auto east = diffusion::directionKernel(3);
    const auto d = directionalDifference(image.data(), {3, 3}, east, 3);
    EXPECT_EQ(d[4], (10.0f - 6.0f) / 7.0f);
    EXPECT_EQ(d[0], -4.0f / 2.0f);  // corner; the neighbour 0 drops out
    EXPECT_EQ(d[3], 6.0f / 4.0f);   // the centre NaN drops out
    EXPECT_EQ(d[2], -8.0f / 3.0f);  // the neighbour lies beyond the border
    const std::vector<float> nothing = {0, 0, 0, -5};
    EXPECT_TRUE(std::isnan(directionalDifference(nothing.data(), {2, 2}, east, 3)[1]));
    EXPECT_EQ(diffusion::exponentialConduction(2000.0f, 2000.0f), float(std::exp(-1.0)));
    const float one = 1.0f;
    EXPECT_THROW(combineFluxes(0, 1, 1.0, {1, 1}, &one, &one, &one, &one, &one, &one, &one, &one),
                 std::invalid_argument);
}

TEST(AnisotropicDiffusion, FusedPassEqualsTheComposedUnitsBitForBit)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> kind(0, 9), grey(0, 65535), dim(1, 300);
    for (const ImageSize& size : {ImageSize{1, 1}, {1, 9}, {8, 1}, {2, 2}, {13, 17}, {31, 24}}) {
        const int n = size[0] * size[1];
        std::vector<std::uint16_t> pixels(n);
        for (auto& p : pixels) {
            const int k = kind(random);
            p = std::uint16_t(k < 3 ? 0 : k < 6 ? dim(random) : grey(random));
        }
        // A block of zeros, so that some pixels see no positive sample at all.
        for (int r = size[0] / 4; r < size[0] / 2 + 1 && size[1] > 4; ++r)
            for (int c = size[1] / 4; c < size[1] / 2 + 2; ++c)
                pixels[r * size[1] + c] = 0;
        // A huge time step drives values to infinity, where inf x 0 matters.
        for (const auto& [kappa, deltaT] : {std::pair{2000, 0.14}, {30, 0.14}, {2000, 1e36}}) {
            CaptureStdout quiet;
            const auto fused = anisotropicDiffusion(pixels.data(), size, 6, 1, kappa, deltaT);
            const auto composed = composedDiffusion(pixels, size, 6, kappa, deltaT);
            ASSERT_EQ(fused.size(), composed.size());
            for (int i = 0; i < n; ++i) {
                std::uint32_t a, b;
                std::memcpy(&a, &fused[i], 4);
                std::memcpy(&b, &composed[i], 4);
                if (std::isnan(composed[i]))
                    EXPECT_TRUE(std::isnan(fused[i])) << i;
                else
                    EXPECT_EQ(a, b) << "pixel " << i << " of " << size[0] << "x" << size[1];
            }
        }
    }
}

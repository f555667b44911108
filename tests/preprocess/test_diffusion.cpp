#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <hwy/targets.h>

#include "preprocess/anisotropic_diffusion.h"
#include "preprocess/diffusion_reference.h"
#include "support/log_sink.h"
#include "support/thrown_message.h"

using namespace kestrano;

namespace {

using Pixels = std::vector<std::uint16_t>;

// Every NaN compares as one pattern: which of two NaN operands an addition
// passes on is the compiler's choice of operand order. Everything else bit for bit.
std::uint32_t bits(float f)
{
    std::uint32_t b = 0x7fc00000;
    if (!std::isnan(f))
        std::memcpy(&b, &f, 4);
    return b;
}

}  // namespace

TEST(AnisotropicDiffusion, PrintsSettingsAndRejectsOtherOptions)
{
    const Pixels pixels = {0, 7, 65535, 12};
    LogSink out;
    EXPECT_EQ(anisotropicDiffusion(pixels.data(), {2, 2}, -3, 1, 2000, 0.14, out),
              (std::vector<float>{0.0f, 7.0f, 65535.0f, 12.0f}));
    const char* settings = "Anisotropico devuelve float\niteraciones -3\nopcion 1\nkappa 2000\ndelta_t 0.14\n";
    EXPECT_EQ(out.text(), settings);
    EXPECT_EQ(thrownMessage<std::invalid_argument>(
                  [&] { anisotropicDiffusion(pixels.data(), {2, 2}, 5, 2, 2000, 0.14, out); }),
              "anisotropic diffusion: option 2 is not supported; only option 1 (exponential conduction)");
    EXPECT_EQ(out.text(), settings);  // refused before printing
}

TEST(AnisotropicDiffusion, FusedPassEqualsTheComposedUnitsBitForBit)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> kind(0, 9), grey(0, 65535), dim(1, 300);
    // 150 rows cross the in-place window's chunks within one band.
    for (const ImageSize& size :
         {ImageSize{1, 1}, {1, 9}, {8, 1}, {2, 2}, {13, 17}, {31, 24}, {150, 7}}) {
        const int n = size[0] * size[1];
        Pixels pixels(n);
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
            const auto composed = reference::literalDiffusion(pixels, size, 6, kappa, deltaT);
            for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
                hwy::SetSupportedTargetsForTest(target);
                for (int threads : {1, 2, 3, 7}) {
                    const auto fused =
                        anisotropicDiffusion(pixels.data(), size, 6, 1, kappa, deltaT, quietLog(), threads);
                    ASSERT_EQ(fused.size(), composed.size());
                    for (int i = 0; i < n; ++i)
                        ASSERT_EQ(bits(fused[i]), bits(composed[i]))
                            << i << " of " << size[0] << "x" << size[1] << ", threads " << threads
                            << ", " << hwy::TargetName(target);
                }
            }
            hwy::SetSupportedTargetsForTest(0);
        }
    }
}

// Runs the pipeline on a small drawn image and prints how many segments it found.
#include <cstdint>
#include <iostream>
#include <vector>

#include <kestrano/core/kestrano.h>
#include <kestrano/core/run_settings.h>
#include <kestrano/output/segment_table.h>

int main()
{
    const std::int32_t rows = 72, cols = 96;
    std::vector<std::uint16_t> pixels(rows * cols, 1000);
    for (int r = 18; r < 22; ++r)
        for (int c = 5; c < 92; ++c)
            pixels[r * cols + c] = 30000;

    const std::int32_t position[3] = {0, 0, 0};
    kestrano::ParamList params = kestrano::startParamList({}, position);
    kestrano::addDialogValues(params, kestrano::DialogValues{});
    const kestrano::RunResult result = kestrano::run(pixels.data(), rows, cols, params);
    const auto table = kestrano::segmentRows(result.lines, rows, cols, kestrano::PixelScale{});
    std::cout << "segments: " << table.size() << "\n";
}

#include "pipeline/run_pipeline.h"

#include <iostream>
#include <utility>

#include "output/data_files.h"
#include "output/histograms.h"
#include "pipeline/run_stages.h"

namespace kestrano {

void runPipeline(std::uint16_t* pixels, ImageSize& size, ParamList params, const RunOptions& options)
{
    RunResult result;
    runStages(pixels, size, params, std::cout, options, result);
    if (!result.stages.lineDetection)
        return;
    // Files that cannot be opened (no ./data folder) are skipped silently.
    writeLengthData(result.lines, "./data/dataLen.dat");
    writeAngleData(result.lines, "./data/dataAng.dat");
    writeHistogram(result.lengthHistogram, "./data/histoLen.dat");
    writeHistogram(result.angleHistogram, "./data/histoAng.dat");
}

}  // namespace kestrano

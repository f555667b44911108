#include "pipeline/run_stages.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/parallel.h"
#include "core/pixel_count.h"
#include "lines/detect_lines.h"
#include "output/histograms.h"
#include "output/paint_lines.h"
#include "pipeline/parameter_limits.h"
#include "pipeline/stoi_conversion.h"
#include "preprocess/anisotropic_diffusion.h"
#include "preprocess/gradient_pass.h"
#include "preprocess/thresholding.h"

namespace kestrano {

namespace {

// The values read from the list on every run, in the order they are read.
struct RunValues {
    std::int32_t nAng = 0;
    std::int32_t lLine = 0;  // converted so that a bad value stops the run; unused otherwise
    std::int32_t lMinLine = 0;
    std::int32_t speed = 0;
    std::int32_t minSize = 0;
    std::int32_t maxSize = 0;
    std::int32_t nBins = 0;
};

// Lookup-or-add then conversion: an absent name reads as an empty text.
std::int32_t readInteger(ParamList& params, const std::string& name)
{
    return stoiArgument(params[name]);
}

RunValues readRunValues(ParamList& params)
{
    RunValues v;
    v.nAng = readInteger(params, "nAng");
    v.lLine = readInteger(params, "lLine");
    v.lMinLine = readInteger(params, "lMinLine");
    v.speed = readInteger(params, "speed");
    v.minSize = readInteger(params, "minSize");
    v.maxSize = readInteger(params, "maxSize");
    v.nBins = readInteger(params, "nBins");
    return v;
}

// Detection cannot work with these; refuse before anything is printed or changed
// rather than loop forever or index outside the histograms later on.
void checkDetectionValues(const RunValues& v)
{
    if (v.speed < 1)
        throw std::invalid_argument("speed must be at least 1 (got " + std::to_string(v.speed) + ")");
    if (v.nAng < 1)
        throw std::invalid_argument("nAng must be at least 1 (got " + std::to_string(v.nAng) + ")");
    if (v.nBins < 1)
        throw std::invalid_argument("nBins must be at least 1 (got " + std::to_string(v.nBins) + ")");
}

void runSmoothing(std::uint16_t* pixels, ImageSize& size, ParamList& params, std::ostream& log,
                  int threads)
{
    const std::int32_t nIts = readInteger(params, "nIts");
    log << "nIts: " << nIts << std::endl;
    diffuseInPlace(pixels, size, nIts, 1, 2000, 0.14, log, threads);
}

void runGradient(std::uint16_t* pixels, ImageSize& size, ParamList& params, std::ostream& log,
                 int threads)
{
    const std::int32_t s = readInteger(params, "s");
    const std::int32_t w = readInteger(params, "w");
    log << "s: " << s << ", " << w << std::endl;
    gradientInPlace(pixels, size, w, s, threads);
}

}  // namespace

void runStages(std::uint16_t* pixels, ImageSize& size, ParamList& params, std::ostream& log,
               const RunOptions& options, RunResult& result, const std::uint16_t* original)
{
    checkParameterLimits(params);  // before anything is printed or converted
    // Below 128 x 128 pixels starting threads costs more than it saves.
    const std::int64_t pixelTotal = static_cast<std::int64_t>(size[0]) * size[1];
    const int threads = pixelTotal < 16384 ? 1 : workerCount(options.threads);
    const RunValues values = readRunValues(params);
    result.stages.lineDetection = params.count("dl") != 0;
    if (result.stages.lineDetection)
        checkDetectionValues(values);

    const std::string tipoOutput = params["tipoOutput"];
    result.outputType = tipoOutput.empty() ? '\0' : tipoOutput[0];
    log << "Tipo Salida: " << result.outputType << std::endl;

    // Painting starts from the image as it was handed over: the caller's copy
    // when there is one, otherwise a backup taken now.
    const std::size_t n = static_cast<std::size_t>(allocatablePixelCount(size));
    std::vector<std::uint16_t> backup;
    if (original == nullptr && result.stages.lineDetection) {
        backup.assign(pixels, pixels + n);
        original = backup.data();
    }

    result.stages.smoothing = params.count("nIts") != 0;
    if (result.stages.smoothing)
        runSmoothing(pixels, size, params, log, threads);
    result.stages.gradient = params.count("s") != 0;
    if (result.stages.gradient)
        runGradient(pixels, size, params, log, threads);
    result.contrast = stretchContrast(pixels, size, 0, 255, 5, log);
    result.stages.thresholding = params.count("th") != 0;
    if (result.stages.thresholding) {
        log << "Umbralizacion" << std::endl;
        result.threshold = readInteger(params, "th");
        result.thresholdValues = applyThreshold(pixels, size, result.threshold, log);
    }
    if (!result.stages.lineDetection)
        return;

    log << "Line Detection" << std::endl;
    std::swap(size[0], size[1]);
    result.lines = detectLines(pixels, size, values.speed, values.nAng, values.lMinLine,
                               values.minSize, values.maxSize, log, &result.detection,
                               threads);
    std::copy(original, original + n, pixels);
    std::vector<std::uint16_t>().swap(backup);
    paintLines(pixels, size, result.lines, result.outputType, log);
    result.lengthHistogram = lengthHistogram(result.lines, values.nBins);
    result.angleHistogram = angleHistogram(result.lines, values.nBins);
}

}  // namespace kestrano

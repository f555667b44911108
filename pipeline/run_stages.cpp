#include "pipeline/run_stages.h"

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
#include "preprocess/gradient_filter.h"
#include "preprocess/pixel_conversions.h"
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

void copyPixels(std::uint16_t* to, const std::uint16_t* from, std::int32_t n)
{
    for (std::int32_t i = 0; i < n; ++i)
        to[i] = from[i];
}

void runSmoothing(std::uint16_t* pixels, ImageSize& size, ParamList& params, std::int32_t n,
                  std::ostream& log)
{
    const std::int32_t nIts = readInteger(params, "nIts");
    log << "nIts: " << nIts << std::endl;
    const std::vector<float> diffused = anisotropicDiffusion(pixels, size, nIts, 1, 2000, 0.14, log);
    const std::vector<std::uint16_t> converted = floatToPixels(diffused.data(), n);
    copyPixels(pixels, converted.data(), n);
}

void runGradient(std::uint16_t* pixels, ImageSize& size, ParamList& params, std::ostream& log)
{
    const std::int32_t s = readInteger(params, "s");
    const std::int32_t w = readInteger(params, "w");
    log << "s: " << s << ", " << w << std::endl;
    const Matrix<std::uint16_t> m = pixelsToMatrix(pixels, size);
    const Matrix<double> g = gradientFilter(m, size, w, s);
    for (std::int32_t r = 0; r < size[0]; ++r)
        for (std::int32_t c = 0; c < size[1]; ++c)
            pixels[static_cast<std::int64_t>(r) * size[1] + c] = truncToPixel(g[r][c]);
}

}  // namespace

void runStages(std::uint16_t* pixels, ImageSize& size, ParamList& params, std::ostream& log,
               const RunOptions& options, RunResult& result)
{
    checkParameterLimits(params);  // before anything is printed or converted
    const int threads = workerCount(options.threads);
    const RunValues values = readRunValues(params);
    result.stages.lineDetection = params.count("dl") != 0;
    if (result.stages.lineDetection)
        checkDetectionValues(values);

    const std::string tipoOutput = params["tipoOutput"];
    result.outputType = tipoOutput.empty() ? '\0' : tipoOutput[0];
    log << "Tipo Salida: " << result.outputType << std::endl;

    const std::int32_t n = allocatablePixelCount(size);
    std::vector<std::uint16_t> backup(static_cast<std::size_t>(n));
    copyPixels(backup.data(), pixels, n);

    result.stages.smoothing = params.count("nIts") != 0;
    if (result.stages.smoothing)
        runSmoothing(pixels, size, params, n, log);
    result.stages.gradient = params.count("s") != 0;
    if (result.stages.gradient)
        runGradient(pixels, size, params, log);
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
    paintLines(backup.data(), size, result.lines, result.outputType, log);
    copyPixels(pixels, backup.data(), n);
    result.lengthHistogram = lengthHistogram(result.lines, values.nBins);
    result.angleHistogram = angleHistogram(result.lines, values.nBins);
}

}  // namespace kestrano

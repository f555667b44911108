#include "pipeline/run_pipeline.h"

#include <cstdint>
#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "lines/detect_lines.h"
#include "output/data_files.h"
#include "output/histograms.h"
#include "output/paint_lines.h"
#include "pipeline/stoi_conversion.h"
#include "preprocess/anisotropic_diffusion.h"
#include "preprocess/gradient_filter.h"
#include "preprocess/pixel_conversions.h"
#include "preprocess/pixel_count.h"
#include "preprocess/thresholding.h"

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

void runSmoothing(std::uint16_t* pixels, ImageSize& size, ParamList& params, std::int32_t n)
{
    const std::int32_t nIts = readInteger(params, "nIts");
    std::cout << "nIts: " << nIts << std::endl;
    const std::vector<float> diffused = anisotropicDiffusion(pixels, size, nIts, 1, 2000, 0.14);
    const std::vector<std::uint16_t> converted = floatToPixels(diffused.data(), n);
    copyPixels(pixels, converted.data(), n);
}

void runGradient(std::uint16_t* pixels, ImageSize& size, ParamList& params)
{
    const std::int32_t s = readInteger(params, "s");
    const std::int32_t w = readInteger(params, "w");
    std::cout << "s: " << s << ", " << w << std::endl;
    Matrix<std::uint16_t> m = pixelsToMatrix(pixels, size);
    Matrix<double> g = gradientFilter(m, size, w, s);
    for (std::int32_t r = 0; r < size[0]; ++r)
        for (std::int32_t c = 0; c < size[1]; ++c)
            pixels[static_cast<std::int64_t>(r) * size[1] + c] = truncToPixel(g[r][c]);
    freeMatrix(m, size[0]);
    freeMatrix(g, size[0]);
}

void runThreshold(std::uint16_t* pixels, ImageSize& size, ParamList& params)
{
    std::cout << "Umbralizacion" << std::endl;
    const std::int32_t th = readInteger(params, "th");
    applyThreshold(pixels, size, th);
}

void runLineDetection(std::uint16_t* pixels, ImageSize& size, const RunValues& v, char outputType,
                      std::uint16_t* backup, std::int32_t n, const std::string& dataDir)
{
    std::cout << "Line Detection" << std::endl;
    std::swap(size[0], size[1]);
    const LineGroups lines =
        detectLines(pixels, size, v.speed, v.nAng, v.lMinLine, v.minSize, v.maxSize);
    paintLines(backup, size, lines, outputType);
    copyPixels(pixels, backup, n);
    writeLengthData(lines, dataDir + "/dataLen.dat");
    writeAngleData(lines, dataDir + "/dataAng.dat");
    const Histogram lengths = lengthHistogram(lines, v.nBins);
    writeHistogram(lengths, dataDir + "/histoLen.dat");
    const Histogram angles = angleHistogram(lines, v.nBins);
    writeHistogram(angles, dataDir + "/histoAng.dat");
}

}  // namespace

void runPipeline(std::uint16_t* pixels, ImageSize& size, ParamList params)
{
    runPipeline(pixels, size, std::move(params), "./data");
}

void runPipeline(std::uint16_t* pixels, ImageSize& size, ParamList params, const std::string& dataDir)
{
    const RunValues values = readRunValues(params);
    const bool detect = params.count("dl") != 0;
    if (detect)
        checkDetectionValues(values);

    const std::string tipoOutput = params["tipoOutput"];
    const char outputType = tipoOutput.empty() ? '\0' : tipoOutput[0];
    std::cout << "Tipo Salida: " << outputType << std::endl;

    const std::int32_t n = allocatablePixelCount(size);
    std::vector<std::uint16_t> backup(static_cast<std::size_t>(n));
    copyPixels(backup.data(), pixels, n);

    if (params.count("nIts") != 0)
        runSmoothing(pixels, size, params, n);
    if (params.count("s") != 0)
        runGradient(pixels, size, params);
    stretchContrast(pixels, size, 0, 255, 5);
    if (params.count("th") != 0)
        runThreshold(pixels, size, params);
    if (detect)
        runLineDetection(pixels, size, values, outputType, backup.data(), n, dataDir);
}

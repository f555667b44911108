#include "cli/image_results.h"

#include <sstream>

#include "cli/csv_text.h"
#include "output/data_files.h"
#include "output/histograms.h"
#include "render/result_pictures.h"

namespace kestrano {

std::vector<std::pair<std::string, std::string>> dataFileTexts(const RunResult& run)
{
    std::ostringstream lengths, angles, lengthBins, angleBins;
    writeLengthData(lengths, run.lines);
    writeAngleData(angles, run.lines);
    writeHistogram(lengthBins, run.lengthHistogram);
    writeHistogram(angleBins, run.angleHistogram);
    return {{"dataLen.dat", lengths.str()},
            {"dataAng.dat", angles.str()},
            {"histoLen.dat", lengthBins.str()},
            {"histoAng.dat", angleBins.str()}};
}

std::string segmentsCsv(const std::vector<SegmentRow>& rows, const PixelScale& scale)
{
    std::string text = "segment,label,x1,y1,x2,y2,length_px,angle_deg,length,unit,touches_border\n";
    for (const SegmentRow& row : rows)
        text += csvLine({formatNumber(std::int64_t{row.segment}), formatNumber(std::int64_t{row.label}),
                         formatNumber(std::int64_t{row.x1}), formatNumber(std::int64_t{row.y1}),
                         formatNumber(std::int64_t{row.x2}), formatNumber(std::int64_t{row.y2}),
                         formatNumber(row.lengthPx), formatNumber(row.angleDeg), formatNumber(row.length),
                         scale.unit, row.touchesBorder ? "true" : "false"});
    return text;
}

std::string writeImageResults(StagedFiles& files, const ImageResults& results)
{
    std::string thumbnail;
    files.addImage("lines." + results.format, results.painted);
    if (results.run.stages.lineDetection) {
        for (const auto& [name, text] : dataFileTexts(results.run))
            files.addText("data/" + name, text);
        files.addText("segments.csv", segmentsCsv(results.segments, results.scale));
        if (results.pictures) {
            if (results.input != nullptr)
                files.addFile("overlay.png", [&](const std::string& path) {
                    thumbnail = writeOverlayPng(path, results.input, results.run.rows, results.run.cols,
                                                results.segments, results.threads);
                });
            files.addText("lengths.svg", lengthsSvg(results.segments, results.scale.unit));
            files.addText("angles.svg", anglesSvg(results.segments));
        }
    }
    files.addText("log.txt", results.lines);
    return thumbnail;
}

}  // namespace kestrano

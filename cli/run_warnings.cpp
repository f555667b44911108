#include "cli/run_warnings.h"

namespace kestrano {

namespace {

std::string parameter(const RunResult& result, const char* name)
{
    const auto found = result.parameters.find(name);
    return std::string(name) + "=" + (found == result.parameters.end() ? std::string("?") : found->second);
}

std::string noSegmentReason(const RunResult& result)
{
    const DetectionCounts& seen = result.detection;
    if (result.stages.thresholding && result.thresholdValues.high <= result.threshold)
        return "the stretched image never went above the threshold " + parameter(result, "th") +
               " (its largest value is " + std::to_string(result.thresholdValues.high) + "); lower th";
    if (seen.labelled == 0)
        return "no bright region was found";
    if (seen.kept == 0)
        return "none of the " + std::to_string(seen.labelled) + " regions passed the size filter (" +
               parameter(result, "minSize") + ", " + parameter(result, "maxSize") + ")";
    return "no segment longer than " + parameter(result, "lMinLine") + " in the " + std::to_string(seen.visited) +
           " regions searched";
}

}  // namespace

std::vector<std::string> runWarnings(const RunResult& result, const std::vector<SegmentRow>& rows)
{
    std::vector<std::string> warnings;
    if (!result.stages.lineDetection)
        return warnings;
    const DetectionCounts& seen = result.detection;
    if (rows.empty())
        warnings.push_back("no segment found: " + noSegmentReason(result));
    std::size_t border = 0;
    for (const SegmentRow& row : rows)
        border += row.touchesBorder ? 1 : 0;
    if (2 * border > rows.size())
        warnings.push_back(std::to_string(border) + " of " + std::to_string(rows.size()) +
                           " segments touch the image border (often the frame, not the objects; see "
                           "touches_border)");
    if (seen.visited < seen.kept)
        warnings.push_back("the region cap searched only " + std::to_string(seen.visited) + " of " +
                           std::to_string(seen.kept) + " regions");
    if (seen.tooLarge > 0)
        warnings.push_back(std::to_string(seen.tooLarge) + " regions larger than " + parameter(result, "maxSize") +
                           " were skipped");
    return warnings;
}

}  // namespace kestrano

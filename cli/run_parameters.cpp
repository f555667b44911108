#include "cli/run_parameters.h"

#include <cstdint>
#include <exception>
#include <fstream>
#include <sstream>

#include "cli/csv_text.h"
#include "cli/option_values.h"

namespace kestrano {

DialogValues dialogValuesFor(const CommandLine& command)
{
    DialogValues values;
    values.smoothingOn = !command.noSmoothing;
    values.gradientOn = !command.noGradient;
    values.thresholdingOn = !command.noThreshold;
    values.lineDetectionOn = !command.noLines;
    return values;
}

ParamList buildParamList(const CommandLine& command)
{
    ParamList hostList;
    for (const auto& [name, value] : command.settings)
        hostList[name] = value;
    const std::int32_t position[3] = {0, 0, 0};
    ParamList list = startParamList(hostList, position);
    addDialogValues(list, dialogValuesFor(command));
    return list;
}

Json recordedOptions(const CommandLine& command)
{
    Json options = Json::object();
    options["format"] = command.format.empty() ? Json() : Json(command.format);
    options["pixel_size"] = command.pixelSize ? Json(formatNumber(command.pixelSize->x) + command.pixelSize->unit)
                                              : Json();
    options["rescale"] = command.rescale;
    return options;
}

ParamList applyEarlierRun(CommandLine& command)
{
    std::ifstream file(command.paramsFile, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file)
        throw UsageError("--params " + command.paramsFile + ": cannot read it");
    Json record;
    try {
        record = parseRunJson(text.str(), command.paramsFile);
    } catch (const std::exception& error) {
        throw UsageError(std::string("--params ") + error.what());
    }
    const Json parameters = record.value("parameters", Json());
    if (!parameters.is_object())
        throw UsageError("--params " + command.paramsFile + ": it records no parameter list (a failed run?)");
    ParamList list;
    for (const auto& [name, value] : parameters.items()) {
        if (!value.is_string())
            throw UsageError("--params " + command.paramsFile + ": parameter " + name + " is not text");
        list[name] = value.get<std::string>();
    }
    for (const auto& [name, value] : command.settings)
        list[name] = value;
    const Json options = record.value("options", Json::object());
    if (!command.pixelSize && options.value("pixel_size", Json()).is_string())
        command.pixelSize = parsePixelSize(options["pixel_size"].get<std::string>());
    if (command.format.empty() && !command.outputDir.empty() && options.value("format", Json()).is_string())
        command.format = options["format"].get<std::string>();
    if (options.value("rescale", false))
        command.rescale = true;
    return list;
}

}  // namespace kestrano

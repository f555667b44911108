#include "cli/run_parameters.h"

#include <cstdint>

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

}  // namespace kestrano

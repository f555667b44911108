#include "core/run_settings.h"

#include <sstream>
#include <string>

namespace kestrano {

namespace {

std::string decimal(std::int32_t value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

}  // namespace

ParamList startParamList(const ParamList& hostParameters, const std::int32_t* position)
{
    const std::string x = decimal(position[0]);
    const std::string y = decimal(position[1]);
    const std::string z = decimal(position[2]);
    ParamList list = hostParameters;
    list.insert({"positionX", x});
    list.insert({"positionY", y});
    list.insert({"positionZ", z});
    return list;
}

void addDialogValues(ParamList& list, const DialogValues& v)
{
    list.insert({"nAng", decimal(v.nAng)});
    list.insert({"lLine", decimal(v.lLine)});
    list.insert({"lMinLine", decimal(v.lMinLine)});
    list.insert({"speed", decimal(v.speed)});
    list.insert({"minSize", decimal(v.minSize)});
    list.insert({"maxSize", decimal(v.maxSize)});
    list.insert({"nBins", decimal(v.nBins)});
    list.insert({"tipoOutput", std::string(1, v.tipoOutput)});
    if (v.smoothingOn)
        list.insert({"nIts", decimal(v.nIts)});
    if (v.gradientOn) {
        list.insert({"s", decimal(v.s)});
        list.insert({"w", decimal(v.w)});
    }
    if (v.thresholdingOn)
        list.insert({"th", decimal(v.th)});
    if (v.lineDetectionOn)
        list.insert({"dl", "t"});
}

}  // namespace kestrano

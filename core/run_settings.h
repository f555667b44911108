#pragma once
// What the parameter dialog hands over, and how a run's parameter list is
// assembled from the host's own list, the image position and those values.
// Qt-free, so that the command-line tool builds its lists the same way.
#include <cstdint>

#include "core/param_list.h"

namespace kestrano {

// The dialog's value fields and flags, at their initial values.
struct DialogValues {
    std::int32_t nAng = 128;
    std::int32_t lLine = 75;
    std::int32_t lMinLine = 40;
    std::int32_t speed = 2;
    std::int32_t minSize = 50;
    std::int32_t maxSize = 100000;
    std::int32_t nBins = 10;
    std::int32_t nIts = 25;
    std::int32_t s = 1;
    std::int32_t w = 2;
    std::int32_t th = 150;
    bool smoothingOn = true;
    bool gradientOn = true;
    bool thresholdingOn = true;
    bool lineDetectionOn = true;
    char tipoOutput = 'n';
};

// A copy of the host's list with "positionX", "positionY", "positionZ" added.
// Inserting never replaces: a name the host already set keeps its value.
ParamList startParamList(const ParamList& hostParameters, const std::int32_t* position);

// Inserts the dialog's values, and the names of the enabled stages, into list;
// names already present keep their values.
void addDialogValues(ParamList& list, const DialogValues& values);

}  // namespace kestrano

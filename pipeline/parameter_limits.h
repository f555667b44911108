#pragma once
// Bounds on the run parameters that would otherwise make a run hang, allocate
// without bound or overflow. Checked before anything is printed: by runStages
// (so the plug-in gets them) and by the command-line tool before it reads any
// input.
#include "core/param_list.h"

namespace kestrano {

// Throws std::invalid_argument naming the parameter, its value and the
// accepted range for the first present value that converts (as the pipeline
// converts it) and lies outside its range. Values that do not convert are left
// alone: they fail where the pipeline converts them, as before. Valid lists
// pass unchanged; the list is not modified.
void checkParameterLimits(const ParamList& params);

}  // namespace kestrano

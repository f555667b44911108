#include "pipeline/parameter_limits.h"

namespace kestrano {

void checkParameterLimits(const ParamList&) {}

}  // namespace kestrano

#pragma once
// The run's parameter list, built the way the plug-in builds it: the --set
// entries play the host's own list, the position is (0, 0, 0), and the dialog
// is left at its initial state except for the cleared check boxes.
#include "cli/command_line.h"
#include "core/param_list.h"
#include "core/run_settings.h"

namespace kestrano {

// The dialog as the --no-... flags leave it.
DialogValues dialogValuesFor(const CommandLine& command);

ParamList buildParamList(const CommandLine& command);

}  // namespace kestrano

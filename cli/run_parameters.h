#pragma once
// The run's parameter list, built the way the plug-in builds it: the --set
// entries play the host's own list, the position is (0, 0, 0), and the dialog
// is left at its initial state except for the cleared check boxes. With
// --params, the list an earlier run recorded in its run.json.
#include "cli/command_line.h"
#include "cli/run_record.h"
#include "core/param_list.h"
#include "core/run_settings.h"

namespace kestrano {

// The dialog as the --no-... flags leave it.
DialogValues dialogValuesFor(const CommandLine& command);

ParamList buildParamList(const CommandLine& command);

// The options a run records in run.json so that --params can repeat it.
Json recordedOptions(const CommandLine& command);

// Reads an earlier run's run.json into `command`: its parameter list (the
// --set entries of this command line still win), and its pixel size and
// output format unless given again. Throws UsageError naming the file.
ParamList applyEarlierRun(CommandLine& command);

}  // namespace kestrano

#pragma once
// "kestrano run": reads each input, runs the pipeline on it and writes its
// results. Standard output carries only the pipeline's own lines, image after
// image in input order whatever --jobs is; everything the tool says goes to
// `messages`.
#include <ostream>

#include "cli/command_line.h"

namespace kestrano {

// Exit status of the run (usage errors are thrown as UsageError): 2 if an
// input could not be read or a result not written, else 3 if a run failed,
// else 0.
int runCommand(CommandLine command, std::ostream& messages);

}  // namespace kestrano

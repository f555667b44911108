#pragma once
// File > Export results: the same results folder as "kestrano run INPUT
// --out-dir DIR" with the run's parameter list, written by the command-line
// tool's own code (its plan, its per-image job and publication, and the batch
// files rebuilt from every run.json in DIR).
#include <string>

#include "core/param_list.h"

namespace kestrano {

struct ExportOutcome {
    bool ok = false;
    std::string folder;   // DIR/<stem> when written
    std::string message;  // what went wrong, or the warnings of the run
};

// Runs the pipeline again on page 1 of `input` (the host shows that page) and
// publishes its folder and the batch files. `overwrite` allows replacing
// earlier results of the same image. Safe off the interface thread.
ExportOutcome exportResults(const std::string& input, const ParamList& params, const std::string& dir,
                            bool overwrite);

}  // namespace kestrano

#pragma once
// Where each input's results go, worked out and checked before anything runs
// so that a clash is reported as bad usage instead of half-way through.
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace kestrano {

struct InputPlan {
    std::string input;
    std::string name;        // the input's file name, for progress lines
    std::string output;      // the output image; empty when none is written
    std::string dataFolder;  // where the data files end up
};

// Throws UsageError for an output whose format cannot be told from its name,
// a missing output folder, two inputs with the same stem, or an output that
// is one of the inputs.
std::vector<InputPlan> planOutputs(const CommandLine& command);

}  // namespace kestrano

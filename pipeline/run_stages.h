#pragma once
// The driver's steps, shared by the plug-in's runPipeline and by run(): reads
// the parameters, preprocesses the buffer in place and, with "dl", detects,
// restores the buffer as handed over, paints it and builds the histograms. Writes no
// file: the callers decide where the data files go.
#include <cstdint>
#include <ostream>

#include "core/image_size.h"
#include "core/kestrano.h"
#include "core/param_list.h"

namespace kestrano {

// Fills everything of result except rows, cols and image. size is exchanged
// before line detection, as the driver always did. original, when given, is
// the image as handed over (the same pixel count), painted instead of a backup
// copy; it must stay unchanged during the run.
void runStages(std::uint16_t* pixels, ImageSize& size, ParamList& params, std::ostream& log,
               const RunOptions& options, RunResult& result,
               const std::uint16_t* original = nullptr);

}  // namespace kestrano

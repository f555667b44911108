#pragma once
// The pipeline driver as the plug-in calls it: converts the run parameters,
// preprocesses the buffer in place and, when "dl" is present, detects, paints
// and writes the four data files into ./data. Its lines go to standard output.
#include <cstdint>

#include "core/image_size.h"
#include "core/kestrano.h"
#include "core/param_list.h"

namespace kestrano {

void runPipeline(std::uint16_t* pixels, ImageSize& size, ParamList params,
                 const RunOptions& options = {});

}  // namespace kestrano

#pragma once
// The pipeline driver: converts the run parameters, preprocesses the buffer in
// place and, when "dl" is present, detects, paints and writes the line data.
#include <cstdint>
#include <string>

#include "plugin/image_size.h"
#include "plugin/param_list.h"

// Writes the four data files into ./data (relative to the working directory).
void runPipeline(std::uint16_t* pixels, ImageSize& size, ParamList params);

// The same, with the data files written into dataDir instead of "./data";
// runPipeline(p, s, params) is runPipeline(p, s, params, "./data").
void runPipeline(std::uint16_t* pixels, ImageSize& size, ParamList params,
                 const std::string& dataDir);

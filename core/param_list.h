#pragma once
// Run parameters travel as text: name -> value. Optional stages are enabled by
// the presence of a name; integer values are converted by the pipeline.
#include <string>
#include <unordered_map>

namespace kestrano {

using ParamList = std::unordered_map<std::string, std::string>;

}  // namespace kestrano

#pragma once
// The texts of --help, --version and the usage reminder after a usage error.
#include <string>

namespace kestrano {

std::string usageText();
std::string helpText();
std::string versionText();

}  // namespace kestrano

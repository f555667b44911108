#pragma once
// The command line of the kestrano tool, parsed into a plain record. Parsing
// checks only the syntax; the files themselves are looked at later.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kestrano {

enum class CommandAction { Run, Help, Version };

struct CommandLine {
    CommandAction action = CommandAction::Run;
    std::vector<std::string> inputs;
    std::string output;     // -o; empty when not given
    std::string outputDir;  // --out-dir; empty when not given
    std::string dataDir = ".";
    // --set entries in command-line order; a later one of a name replaces an earlier one.
    std::vector<std::pair<std::string, std::string>> settings;
    bool noSmoothing = false;
    bool noGradient = false;
    bool noThreshold = false;
    bool noLines = false;
};

// Bad usage: the tool prints the message and the usage line and exits with 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `arguments` excludes the program name. Throws UsageError.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace kestrano

#include "cli/command_line.h"

namespace kestrano {

namespace {

class ArgumentCursor {
public:
    explicit ArgumentCursor(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    bool done() const { return next_ == arguments_.size(); }
    const std::string& take() { return arguments_[next_++]; }

    // The value of an option, either "--name=value" (already split off) or the
    // following argument.
    std::string value(const std::string& option, const std::string* inlineValue)
    {
        if (inlineValue)
            return *inlineValue;
        if (done())
            throw UsageError("option " + option + " needs a value");
        return take();
    }

private:
    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
};

void setOnce(std::string& field, bool& seen, const std::string& option, const std::string& value)
{
    if (seen)
        throw UsageError("option " + option + " is given more than once");
    if (value.empty())
        throw UsageError("option " + option + " needs a non-empty value");
    field = value;
    seen = true;
}

std::pair<std::string, std::string> parseSetting(const std::string& text)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos)
        throw UsageError("--set needs NAME=VALUE, got \"" + text + "\"");
    if (equals == 0)
        throw UsageError("--set needs a parameter name before '=', got \"" + text + "\"");
    return {text.substr(0, equals), text.substr(equals + 1)};
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine command;
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            command.action = CommandAction::Help;
            return command;
        }
        if (argument == "--")
            break;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        command.action = CommandAction::Version;
        return command;
    }
    if (arguments.empty())
        throw UsageError("no command given");
    if (arguments[0] != "run")
        throw UsageError("unknown command \"" + arguments[0] + "\"");

    ArgumentCursor cursor(arguments);
    cursor.take();
    bool seenOutput = false, seenOutputDir = false, seenDataDir = false, onlyInputs = false;
    while (!cursor.done()) {
        const std::string argument = cursor.take();
        if (onlyInputs || argument.size() < 2 || argument[0] != '-') {
            command.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyInputs = true;
            continue;
        }
        // Long options also take their value as "--name=value".
        std::string option = argument;
        std::string inlineText;
        const std::string* inlineValue = nullptr;
        const std::size_t equals = argument.find('=');
        if (argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            option = argument.substr(0, equals);
            inlineText = argument.substr(equals + 1);
            inlineValue = &inlineText;
        }
        if (option == "-o" || option == "--output")
            setOnce(command.output, seenOutput, option, cursor.value(option, inlineValue));
        else if (option == "--out-dir")
            setOnce(command.outputDir, seenOutputDir, option, cursor.value(option, inlineValue));
        else if (option == "--data-dir")
            setOnce(command.dataDir, seenDataDir, option, cursor.value(option, inlineValue));
        else if (option == "--set")
            command.settings.push_back(parseSetting(cursor.value(option, inlineValue)));
        else if (inlineValue)
            throw UsageError("option " + option + " takes no value");
        else if (option == "--no-smoothing")
            command.noSmoothing = true;
        else if (option == "--no-gradient")
            command.noGradient = true;
        else if (option == "--no-threshold")
            command.noThreshold = true;
        else if (option == "--no-lines")
            command.noLines = true;
        else
            throw UsageError("unknown option " + argument);
    }
    if (command.inputs.empty())
        throw UsageError("no input image given");
    if (seenOutput && seenOutputDir)
        throw UsageError("-o and --out-dir cannot be used together");
    if (seenOutput && command.inputs.size() > 1)
        throw UsageError("-o names one output image; use --out-dir with several inputs");
    return command;
}

}  // namespace kestrano

#include "cli/command_line.h"

#include <functional>
#include <map>

#include "cli/option_values.h"

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

std::pair<std::string, std::string> parseSetting(const std::string& text)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos)
        throw UsageError("--set needs NAME=VALUE, got \"" + text + "\"");
    if (equals == 0)
        throw UsageError("--set needs a parameter name before '=', got \"" + text + "\"");
    return {text.substr(0, equals), text.substr(equals + 1)};
}

using ValueOption = std::function<void(CommandLine&, const std::string&)>;

// Options that take a value. Those marked once may be given only once.
const std::map<std::string, std::pair<bool, ValueOption>>& valueOptions()
{
    static const std::map<std::string, std::pair<bool, ValueOption>> options = {
        {"-o", {true, [](CommandLine& c, const std::string& v) { c.output = v; }}},
        {"--output", {true, [](CommandLine& c, const std::string& v) { c.output = v; }}},
        {"--out-dir", {true, [](CommandLine& c, const std::string& v) { c.outputDir = v; }}},
        {"--data-dir", {true, [](CommandLine& c, const std::string& v) { c.dataDir = v; c.dataDirGiven = true; }}},
        {"--set", {false, [](CommandLine& c, const std::string& v) { c.settings.push_back(parseSetting(v)); }}},
        {"--params", {true, [](CommandLine& c, const std::string& v) { c.paramsFile = v; }}},
        {"--pixel-size", {true, [](CommandLine& c, const std::string& v) { c.pixelSize = parsePixelSize(v); }}},
        {"--format", {true, [](CommandLine& c, const std::string& v) {
             if (v != "tif" && v != "png" && v != "pgm")
                 throw UsageError("--format needs tif, png or pgm; got \"" + v + "\"");
             c.format = v;
         }}},
        {"--pages", {true, [](CommandLine& c, const std::string& v) { c.pages = parsePageList(v); }}},
        {"--jobs", {true, [](CommandLine& c, const std::string& v) {
             c.jobs = static_cast<int>(parseCount("--jobs", v, 1) > 1024 ? 1024 : parseCount("--jobs", v, 1));
         }}},
        {"--threads", {true, [](CommandLine& c, const std::string& v) {
             c.threads = static_cast<int>(parseCount("--threads", v, 1) > 1024 ? 1024 : parseCount("--threads", v, 1));
         }}},
        {"--max-pixels", {true, [](CommandLine& c, const std::string& v) {
             c.maxPixels = static_cast<std::uint64_t>(parseCount("--max-pixels", v, 1));
         }}},
        {"--max-memory", {true, [](CommandLine& c, const std::string& v) {
             c.maxMemory = parseMemorySize("--max-memory", v);
         }}},
    };
    return options;
}

const std::map<std::string, bool CommandLine::*>& flagOptions()
{
    static const std::map<std::string, bool CommandLine::*> flags = {
        {"--no-smoothing", &CommandLine::noSmoothing}, {"--no-gradient", &CommandLine::noGradient},
        {"--no-threshold", &CommandLine::noThreshold}, {"--no-lines", &CommandLine::noLines},
        {"--rescale", &CommandLine::rescale},          {"--overwrite", &CommandLine::overwrite},
        {"--no-summary", &CommandLine::noSummary},     {"--quiet", &CommandLine::quiet},
        {"--no-pictures", &CommandLine::noPictures},
        {"-q", &CommandLine::quiet}};
    return flags;
}

void checkCombinations(const CommandLine& c, const std::set<std::string>& seen)
{
    const auto given = [&](const char* option) { return seen.count(option) != 0; };
    const bool output = given("-o") || given("--output");
    const bool outputDir = given("--out-dir");
    if (c.inputs.empty())
        throw UsageError("no input image given");
    for (const std::string& input : c.inputs)
        if (input == "-")
            throw UsageError("reading an image from standard input is not supported; name a file "
                             "(./- for a file called \"-\")");
    if (output && outputDir)
        throw UsageError("-o and --out-dir cannot be used together");
    if (output && c.inputs.size() > 1)
        throw UsageError("-o names one output image; use --out-dir with several inputs");
    if (outputDir && c.dataDirGiven)
        throw UsageError("--data-dir cannot be used with --out-dir, which keeps each image's data files in "
                         "DIR/<name>/data");
    for (const char* option : {"--format", "--overwrite", "--no-summary", "--no-pictures"})
        if (given(option) && !outputDir)
            throw UsageError(std::string(option) + " needs --out-dir");
    if (!c.paramsFile.empty() && (c.noSmoothing || c.noGradient || c.noThreshold || c.noLines))
        throw UsageError("--params takes the stage switches from the earlier run; leave out the --no-... flags");
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
    if (arguments[0] == "summary") {
        if (arguments.size() != 2 || arguments[1].empty() || arguments[1][0] == '-')
            throw UsageError("summary needs exactly one results folder");
        command.action = CommandAction::Summary;
        command.summaryDir = arguments[1];
        return command;
    }
    if (arguments[0] != "run")
        throw UsageError("unknown command \"" + arguments[0] + "\"");

    ArgumentCursor cursor(arguments);
    cursor.take();
    std::set<std::string> seen;
    bool onlyInputs = false;
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
        const auto valueOption = valueOptions().find(option);
        if (valueOption != valueOptions().end()) {
            const auto& [once, apply] = valueOption->second;
            const std::string key = option == "--output" ? "-o" : option;
            if (once && seen.count(key) != 0)
                throw UsageError("option " + option + " is given more than once");
            const std::string value = cursor.value(option, inlineValue);
            if (once && value.empty())
                throw UsageError("option " + option + " needs a non-empty value");
            apply(command, value);
            seen.insert(key);
            continue;
        }
        if (inlineValue)
            throw UsageError("option " + option + " takes no value");
        const auto flag = flagOptions().find(option);
        if (flag == flagOptions().end())
            throw UsageError("unknown option " + argument);
        command.*(flag->second) = true;
        seen.insert(option);
    }
    checkCombinations(command, seen);
    return command;
}

}  // namespace kestrano

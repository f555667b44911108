#include "cli/output_plan.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "imageio/image_file.h"

namespace kestrano {

namespace fs = std::filesystem;

namespace {

void checkOutputName(const std::string& output)
{
    try {
        formatFromPath(output);
    } catch (const ImageFileError& error) {
        throw UsageError(std::string("output ") + error.what());
    }
}

void checkOutputFolder(const fs::path& output)
{
    const fs::path folder = output.parent_path();
    std::error_code ignored;
    if (!folder.empty() && !fs::is_directory(folder, ignored))
        throw UsageError("output folder " + folder.string() + " does not exist");
    if (fs::is_directory(output, ignored))
        throw UsageError("output " + output.string() + " is a folder");
}

// Compares real files, so links and other spellings of an input are caught.
void checkNotAnInput(const std::string& output, const std::vector<InputPlan>& plans)
{
    std::error_code ignored;
    if (!fs::exists(output, ignored))
        return;
    for (const InputPlan& plan : plans) {
        std::error_code error;
        if (fs::equivalent(output, plan.input, error))
            throw UsageError("output " + output + " is the input " + plan.input +
                             "; the tool does not overwrite its input");
    }
}

}  // namespace

std::vector<InputPlan> planOutputs(const CommandLine& command)
{
    const bool several = command.inputs.size() > 1;
    const fs::path dataBase = command.dataDir;
    std::vector<InputPlan> plans;
    std::set<std::string> stems;
    for (const std::string& input : command.inputs) {
        const fs::path inputPath = input;
        InputPlan plan;
        plan.input = input;
        plan.name = inputPath.filename().string();
        const std::string stem = inputPath.stem().string();
        if (plan.name.empty())
            throw UsageError("input " + input + " does not name a file");
        if (several && !stems.insert(stem).second)
            throw UsageError("two inputs have the base name \"" + stem +
                             "\"; their results would land in the same place");
        plan.dataFolder = ((several ? dataBase / stem : dataBase) / "data").string();
        if (!command.output.empty())
            plan.output = command.output;
        else if (!command.outputDir.empty())
            plan.output = (fs::path(command.outputDir) / plan.name).string();
        plans.push_back(plan);
    }
    if (!command.outputDir.empty()) {
        std::error_code ignored;
        if (fs::exists(command.outputDir, ignored) && !fs::is_directory(command.outputDir, ignored))
            throw UsageError("--out-dir " + command.outputDir + " is not a folder");
    }
    for (const InputPlan& plan : plans) {
        if (plan.output.empty())
            continue;
        checkOutputName(plan.output);
        if (command.outputDir.empty())
            checkOutputFolder(plan.output);
        checkNotAnInput(plan.output, plans);
    }
    return plans;
}

}  // namespace kestrano

#include "cli/batch_plan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <system_error>

#include "cli/publish.h"
#include "cli/result_names.h"
#include "cli/temporary_folder.h"
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

// -o naming a link writes to the file the link points to, so the link stays.
std::string followLinks(const std::string& output)
{
    std::error_code error;
    fs::path path = output;
    for (int depth = 0; depth < 40 && fs::is_symlink(fs::symlink_status(path, error)); ++depth) {
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            throw UsageError("output " + output + " is a link that cannot be read (" + error.message() + ")");
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.lexically_normal().string();
}

void checkOutputFile(const std::string& output)
{
    const fs::path folder = fs::path(output).parent_path();
    std::error_code ignored;
    if (!folder.empty() && !fs::is_directory(folder, ignored))
        throw UsageError("output folder " + folder.string() + " does not exist");
    const fs::file_status status = fs::symlink_status(output, ignored);
    if (fs::is_directory(status))
        throw UsageError("output " + output + " is a folder");
    if (fs::exists(status) && !fs::is_regular_file(status))
        throw UsageError("output " + output + " is not a regular file");
}

// Compares real files, so links and other spellings of an input are caught.
void checkNotAnInput(const std::string& output, const std::vector<std::string>& inputs)
{
    std::error_code ignored;
    if (!fs::exists(output, ignored))
        return;
    for (const std::string& input : inputs) {
        std::error_code error;
        if (fs::equivalent(output, input, error))
            throw UsageError("output " + output + " is the input " + input +
                             "; the tool does not overwrite its input");
    }
}

// An input inside a results folder that --overwrite would replace.
void checkNoInputInside(const std::string& folder, const std::vector<std::string>& inputs)
{
    std::error_code error;
    const fs::path base = fs::weakly_canonical(folder, error);
    for (const std::string& input : inputs) {
        const fs::path path = fs::weakly_canonical(input, error);
        const auto mismatch = std::mismatch(base.begin(), base.end(), path.begin(), path.end());
        if (!error && mismatch.first == base.end())
            throw UsageError("input " + input + " lies in " + folder + ", which this run would replace");
    }
}

std::string lowerExtension(const std::string& path)
{
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::string pageSuffix(std::size_t page, std::size_t count)
{
    const std::string number = std::to_string(page + 1);
    const std::size_t width = std::to_string(count).size();
    return "-p" + std::string(width - number.size(), '0') + number;
}

// The pages of one input to process, or its error.
void addTasks(const CommandLine& command, const std::string& input, std::vector<ImageTask>& tasks,
              std::vector<std::string>& notes)
{
    ImageTask task;
    task.input = input;
    task.name = fs::path(input).filename().string();
    if (task.name.empty() || task.name == "." || task.name == "..")
        throw UsageError("input " + input + " does not name a file");
    try {
        task.pageCount = countPages(input);
    } catch (const std::exception& error) {
        task.error = error.what();
        tasks.push_back(task);
        return;
    }
    std::vector<std::size_t> pages;
    for (std::int32_t page : command.pages)
        if (static_cast<std::size_t>(page) <= task.pageCount)
            pages.push_back(static_cast<std::size_t>(page) - 1);
    if (command.pages.empty()) {
        for (std::size_t page = 0; page < task.pageCount; ++page)
            pages.push_back(page);
        if (command.outputDir.empty() && task.pageCount > 1) {
            notes.push_back(input + " has " + std::to_string(task.pageCount) +
                            " pages; without --out-dir only page 1 is processed (choose with --pages)");
            pages.resize(1);
        }
    }
    if (pages.empty()) {
        task.error = input + ": has " + std::to_string(task.pageCount) + " page" +
                     (task.pageCount == 1 ? "" : "s") + "; --pages selects none of them";
        tasks.push_back(task);
        return;
    }
    if (command.outputDir.empty() && pages.size() > 1)
        throw UsageError("without --out-dir one page of " + input + " can be processed; --pages selects " +
                         std::to_string(pages.size()));
    for (std::size_t page : pages) {
        task.page = page;
        tasks.push_back(task);
    }
}

void planResultsFolder(const CommandLine& command, BatchPlan& plan)
{
    const fs::path dir = command.outputDir;
    std::error_code error;
    if (fs::exists(dir, error) && !fs::is_directory(dir, error))
        throw UsageError("--out-dir " + command.outputDir + " is not a folder");
    std::set<std::string> folders;
    for (ImageTask& task : plan.tasks) {
        const std::string stem = fs::path(task.input).stem().string();
        task.folder = stem + (task.pageCount > 1 ? pageSuffix(task.page, task.pageCount) : "");
        if (!folders.insert(task.folder).second)
            throw UsageError("two inputs have the base name \"" + task.folder +
                             "\"; their results would land in the same place");
        task.format = resultFormatFor(task.input, command.format);
        const std::string destination = (dir / task.folder).string();
        checkNoInputInside(destination, command.inputs);
        Placement placement{"", destination,
                            command.overwrite ? Placement::Existing::ReplaceOurFolder : Placement::Existing::Refuse,
                            resultFolderNames(destination), "use --overwrite to replace earlier results"};
        const std::string refusal = replaceRefusal(placement);
        if (!refusal.empty())
            throw WriteError(refusal);
    }
    if (!command.noSummary && !command.overwrite && fs::exists(fs::symlink_status(dir / "summary.csv", error)))
        throw WriteError((dir / "summary.csv").string() + " already exists; use --overwrite to replace earlier results");
}

void planFlatOutputs(const CommandLine& command, BatchPlan& plan)
{
    const fs::path dataBase = command.dataDir;
    const bool several = plan.tasks.size() > 1;
    std::set<std::string> stems;
    for (ImageTask& task : plan.tasks) {
        const std::string stem = fs::path(task.input).stem().string();
        if (several && !stems.insert(stem).second)
            throw UsageError("two inputs have the base name \"" + stem +
                             "\"; their results would land in the same place");
        task.dataFolder = ((several ? dataBase / stem : dataBase) / "data").string();
        Placement data{"", task.dataFolder, Placement::Existing::ReplaceOurFolder, dataFileNames(), ""};
        const std::string refusal = replaceRefusal(data);
        if (!refusal.empty())
            throw WriteError(refusal);
        if (plan.mode == OutputMode::SingleImage) {
            checkOutputName(command.output);
            task.output = followLinks(command.output);
            checkOutputName(task.output);
            checkOutputFile(task.output);
            checkNotAnInput(task.output, command.inputs);
        }
    }
}

}  // namespace

std::string resultFormatFor(const std::string& input, const std::string& formatOption)
{
    if (!formatOption.empty())
        return formatOption;
    unsigned char magic[4] = {};
    std::size_t count = 0;
    // Non-blocking, so that a FIFO is not waited on; the reader refuses it later.
    const int fd = ::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat status {};
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
            const ssize_t got = ::read(fd, magic, sizeof magic);
            count = got > 0 ? static_cast<std::size_t>(got) : 0;
        }
        ::close(fd);
    }
    if (count >= 4 && magic[0] == 0x89 && magic[1] == 'P' && magic[2] == 'N' && magic[3] == 'G')
        return "png";
    if (count >= 2 && magic[0] == 'P' && magic[1] == '5')
        return "pgm";
    if (count == 0) {
        const std::string extension = lowerExtension(input);
        if (extension == ".png")
            return "png";
        if (extension == ".pgm")
            return "pgm";
    }
    return "tif";
}

BatchPlan planBatch(const CommandLine& command)
{
    BatchPlan plan;
    plan.mode = !command.outputDir.empty() ? OutputMode::ResultsFolder
                : !command.output.empty()  ? OutputMode::SingleImage
                                           : OutputMode::DataOnly;
    for (const std::string& input : command.inputs)
        addTasks(command, input, plan.tasks, plan.notes);
    if (plan.mode == OutputMode::ResultsFolder)
        planResultsFolder(command, plan);
    else
        planFlatOutputs(command, plan);
    return plan;
}

}  // namespace kestrano

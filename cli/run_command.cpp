#include "cli/run_command.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/data_folder.h"
#include "cli/output_plan.h"
#include "cli/run_parameters.h"
#include "core/kestrano.h"
#include "imageio/image_file.h"
#include "output/data_files.h"
#include "output/histograms.h"

namespace kestrano {

namespace {

enum class Outcome { Done, NotRead, NotWritten, RunFailed };

void report(std::ostream& messages, const char* kind, const std::string& text)
{
    messages << "kestrano: " << kind << ": " << text << std::endl;
}

// Writes one data file and checks every step, so that a full disk is an
// error rather than a short file.
void writeCheckedFile(const std::string& path, const std::function<void(std::ostream&)>& write)
{
    std::ofstream out(path);
    if (out)
        write(out);
    if (out)
        out.close();
    if (!out)
        throw DataFolderError("cannot write " + path);
}

void writeDataFiles(const RunResult& result, const std::string& folder)
{
    writeCheckedFile(folder + "/dataLen.dat", [&](std::ostream& o) { writeLengthData(o, result.lines); });
    writeCheckedFile(folder + "/dataAng.dat", [&](std::ostream& o) { writeAngleData(o, result.lines); });
    writeCheckedFile(folder + "/histoLen.dat",
                     [&](std::ostream& o) { writeHistogram(o, result.lengthHistogram); });
    writeCheckedFile(folder + "/histoAng.dat",
                     [&](std::ostream& o) { writeHistogram(o, result.angleHistogram); });
}

// The data files are staged in a fresh folder inside `dataBase`, the same file
// system as their final folder, so that publishing them is a rename.
Outcome processInput(const InputPlan& plan, const ParamList& params, const std::string& dataBase,
                     std::ostream& messages)
{
    GreyImage image;
    std::vector<std::string> warnings;
    try {
        image = readGreyImage(plan.input, warnings);
    } catch (const ImageFileError& error) {
        report(messages, "error", error.what());
        return Outcome::NotRead;
    }
    for (const std::string& warning : warnings)
        report(messages, "warning", warning);

    // Only line detection writes data files; without it no folder is needed,
    // and a read-only working folder does not stop the run.
    std::optional<StagedDataFolder> staging;
    if (params.count("dl") != 0) {
        try {
            staging.emplace(dataBase);
        } catch (const DataFolderError& error) {
            report(messages, "error", error.what());
            return Outcome::NotWritten;
        }
    }

    RunOptions options;
    options.log = &std::cout;
    try {
        RunResult result = run(image.pixels.data(), image.rows, image.cols, params, options);
        image.pixels = std::move(result.image);
        if (staging)
            writeDataFiles(result, staging->path());
    } catch (const DataFolderError& error) {
        report(messages, "error", error.what());
        return Outcome::NotWritten;
    } catch (const std::exception& error) {
        report(messages, "error", plan.input + ": the run failed: " + error.what());
        return Outcome::RunFailed;
    } catch (...) {
        report(messages, "error", plan.input + ": the run failed with an unknown exception");
        return Outcome::RunFailed;
    }

    try {
        if (!plan.output.empty())
            writeGreyImage(plan.output, image);
        if (staging)
            staging->publish(plan.dataFolder);
    } catch (const std::exception& error) {
        report(messages, "error", error.what());
        return Outcome::NotWritten;
    }
    return Outcome::Done;
}

}  // namespace

int runCommand(const CommandLine& command, std::ostream& messages)
{
    const std::vector<InputPlan> plans = planOutputs(command);
    const ParamList params = buildParamList(command);
    if (command.output.empty() && command.outputDir.empty())
        report(messages, "note", "neither -o nor --out-dir given: no output image is written");
    if (!command.outputDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(command.outputDir, error);
        if (error) {
            report(messages, "error", "cannot create the output folder " + command.outputDir + " (" +
                                          error.message() + ")");
            return 2;
        }
    }

    bool anyNotDone = false, anyRunFailed = false;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (plans.size() > 1)
            messages << "[" << i + 1 << "/" << plans.size() << "] " << plans[i].name << std::endl;
        switch (processInput(plans[i], params, command.dataDir, messages)) {
        case Outcome::Done: break;
        case Outcome::NotRead:
        case Outcome::NotWritten: anyNotDone = true; break;
        case Outcome::RunFailed: anyRunFailed = true; break;
        }
    }
    return anyNotDone ? 2 : anyRunFailed ? 3 : 0;
}

}  // namespace kestrano

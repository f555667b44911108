#include "host/results_export.h"

#include <exception>
#include <filesystem>
#include <sstream>

#include "cli/batch_plan.h"
#include "cli/batch_results.h"
#include "cli/command_line.h"
#include "cli/image_job.h"
#include "cli/publish.h"
#include "cli/temporary_folder.h"

namespace kestrano {

ExportOutcome exportResults(const std::string& input, const ParamList& params, const std::string& dir, bool overwrite)
{
    ExportOutcome outcome;
    try {
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        if (error)
            throw WriteError("cannot create the output folder " + dir + " (" + error.message() + ")");
        removeStaleTemporaries(dir);

        CommandLine command;
        command.inputs = {input};
        command.outputDir = dir;
        command.overwrite = overwrite;
        command.pages = {1};
        const BatchPlan plan = planBatch(command);
        if (plan.tasks.empty())
            throw WriteError(input + ": nothing to export");

        JobSettings settings;
        settings.mode = OutputMode::ResultsFolder;
        settings.outputDir = dir;
        settings.overwrite = overwrite;
        settings.params = params;
        settings.options = {{"format", nullptr}, {"pixel_size", nullptr}, {"rescale", false}};
        JobResult job = runImageJob(plan.tasks.front(), settings);
        for (const std::string& message : job.messages)
            outcome.message += (outcome.message.empty() ? "" : "\n") + message;
        if (job.status != JobStatus::Done || job.placements.empty())
            return outcome;
        publish(job.placements);
        std::ostringstream messages;
        if (summaryCommand(dir, messages) != 0) {
            outcome.message += (outcome.message.empty() ? "" : "\n") + messages.str();
            return outcome;
        }
        outcome.ok = true;
        outcome.folder = (std::filesystem::path(dir) / plan.tasks.front().folder).string();
    } catch (const std::exception& error) {
        outcome.message += (outcome.message.empty() ? "" : "\n") + std::string(error.what());
    }
    return outcome;
}

}  // namespace kestrano

#include "cli/run_command.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/batch_plan.h"
#include "cli/batch_results.h"
#include "cli/image_job.h"
#include "cli/progress.h"
#include "cli/publish.h"
#include "cli/run_parameters.h"
#include "cli/temporary_folder.h"
#include "pipeline/parameter_limits.h"

namespace kestrano {

namespace fs = std::filesystem;

namespace {

std::string folderOf(const std::string& path)
{
    const std::string parent = fs::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

ReadOptions readOptionsFor(const CommandLine& command)
{
    ReadOptions options;
    options.rescale = command.rescale;
    if (command.maxPixels)
        options.limits.maxPixels = *command.maxPixels;
    if (command.maxMemory)
        options.limits.maxBytes = *command.maxMemory;
    return options;
}

// Jobs and threads per run: by default as many jobs as cores (at most one per
// image), and the cores shared out among them so that jobs x threads stays
// within the machine.
void chooseConcurrency(const CommandLine& command, std::size_t tasks, int& jobs, int& threads)
{
    const int cores = std::max(1u, std::thread::hardware_concurrency());
    jobs = command.jobs > 0 ? command.jobs : cores;
    jobs = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(jobs), std::max<std::size_t>(tasks, 1)));
    threads = command.threads > 0 ? command.threads : jobs == 1 ? 0 : std::max(1, cores / jobs);
}

std::string taskLabel(const ImageTask& task)
{
    if (task.pageCount <= 1)
        return task.name;
    return task.name + " page " + std::to_string(task.page + 1) + "/" + std::to_string(task.pageCount);
}

class Batch {
public:
    Batch(const CommandLine& command, const BatchPlan& plan, JobSettings settings, std::ostream& messages)
        : command_(command),
          plan_(plan),
          settings_(std::move(settings)),
          progress_(messages,
                    command.quiet                ? Progress::Style::Quiet
                    : ::isatty(STDERR_FILENO) == 1 ? Progress::Style::Bar
                                                 : Progress::Style::Lines,
                    plan.tasks.size())
    {
    }

    int run(int jobs)
    {
        for (const std::string& note : plan_.notes)
            progress_.say("kestrano: note: " + note);
        const std::size_t count = plan_.tasks.size();
        if (jobs <= 1) {
            for (std::size_t i = 0; i < count; ++i) {
                progress_.started(i, taskLabel(plan_.tasks[i]));
                finish(runImageJob(plan_.tasks[i], settings_));
            }
        } else {
            runInParallel(jobs);
        }
        if (plan_.mode == OutputMode::ResultsFolder && !command_.noSummary && notWritten_) {
            // Some earlier results stayed in place; a table of this batch alone would misdescribe them.
            progress_.say("kestrano: note: " + command_.outputDir +
                          "/summary.csv left as it was; \"kestrano summary " + command_.outputDir +
                          "\" rewrites it once the results are written");
        } else if (plan_.mode == OutputMode::ResultsFolder && !command_.noSummary) {
            try {
                publishBatchResults(command_.outputDir, records_, command_.overwrite);
            } catch (const std::exception& error) {
                progress_.say(std::string("kestrano: error: ") + error.what());
                notDone_ = true;
            }
        }
        progress_.close();
        return notDone_ ? 2 : runFailed_ ? 3 : 0;
    }

private:
    // Workers run the images; this thread prints and publishes them in input
    // order, so that the output is the same as with one job.
    void runInParallel(int jobs)
    {
        const std::size_t count = plan_.tasks.size();
        std::vector<std::optional<JobResult>> results(count);
        std::mutex mutex;
        std::condition_variable ready;
        std::atomic<std::size_t> next{0};
        std::vector<std::thread> workers;
        for (int w = 0; w < jobs; ++w)
            workers.emplace_back([&] {
                for (std::size_t i; (i = next++) < count;) {
                    progress_.started(i, taskLabel(plan_.tasks[i]));
                    JobResult result = runImageJob(plan_.tasks[i], settings_);
                    const std::lock_guard<std::mutex> lock(mutex);
                    results[i] = std::move(result);
                    ready.notify_all();
                }
            });
        for (std::size_t i = 0; i < count; ++i) {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [&] { return results[i].has_value(); });
            JobResult result = std::move(*results[i]);
            results[i].reset();
            lock.unlock();
            finish(std::move(result));
        }
        for (std::thread& worker : workers)
            worker.join();
    }

    void finish(JobResult result)
    {
        for (const std::string& message : result.messages)
            progress_.say("kestrano: " + message);
        std::cout << result.lines << std::flush;
        if (!std::cout) {
            progress_.say("kestrano: error: cannot write standard output; results not published");
            result.status = JobStatus::NotWritten;
            result.placements.clear();
        }
        if (result.onlyIfAbsent && !result.placements.empty() &&
            fs::exists(fs::symlink_status(result.placements.front().destination))) {
            progress_.say("kestrano: note: the earlier results in " + result.placements.front().destination +
                          " are kept");
            result.placements.clear();
            if (result.record)
                keep(std::move(*result.record));  // the batch's table still says why this input failed
        }
        if (!result.placements.empty()) {
            try {
                for (const std::string& replaced : publish(result.placements))
                    if (plan_.mode != OutputMode::SingleImage || replaced != plan_.tasks.front().output)
                        progress_.say("kestrano: note: replaced the earlier results in " + replaced);
                if (result.record)
                    keep(std::move(*result.record));
            } catch (const std::exception& error) {
                progress_.say(std::string("kestrano: error: ") + error.what());
                result.status = JobStatus::NotWritten;
            }
        }
        switch (result.status) {
        case JobStatus::Done: break;
        case JobStatus::NotRead: notDone_ = true; break;
        case JobStatus::NotWritten: notDone_ = notWritten_ = true; break;
        case JobStatus::RunFailed: runFailed_ = true; break;
        }
        progress_.finished();
    }

    // The report's overlay thumbnails stay in memory up to a budget; beyond
    // it the report reads the overlays back from the folder, as
    // "kestrano summary" does, with the same result.
    void keep(FolderRecord record)
    {
        constexpr std::size_t kThumbnailBudget = std::size_t{64} << 20;
        if (thumbnailBytes_ + record.thumbnail.size() > kThumbnailBudget)
            std::string().swap(record.thumbnail);
        thumbnailBytes_ += record.thumbnail.size();
        records_.push_back(std::move(record));
    }

    const CommandLine& command_;
    const BatchPlan& plan_;
    const JobSettings settings_;
    Progress progress_;
    std::vector<FolderRecord> records_;
    std::size_t thumbnailBytes_ = 0;
    bool notDone_ = false;
    bool notWritten_ = false;
    bool runFailed_ = false;
};

void createResultsFolder(const std::string& dir)
{
    std::error_code error;
    fs::create_directories(dir, error);
    if (error)
        throw WriteError("cannot create the output folder " + dir + " (" + error.message() + ")");
}

}  // namespace

int runCommand(CommandLine command, std::ostream& messages)
{
    const ParamList params = command.paramsFile.empty() ? buildParamList(command) : applyEarlierRun(command);
    try {
        checkParameterLimits(params);
    } catch (const std::invalid_argument& error) {
        messages << "kestrano: error: " << error.what() << std::endl;
        return 2;
    }
    const BatchPlan plan = planBatch(command);
    if (plan.mode == OutputMode::DataOnly)
        messages << "kestrano: note: neither -o nor --out-dir given: no output image is written" << std::endl;
    if (plan.mode == OutputMode::ResultsFolder) {
        createResultsFolder(command.outputDir);
        removeStaleTemporaries(command.outputDir);
    } else {
        for (const ImageTask& task : plan.tasks) {
            if (!task.output.empty())
                removeStaleTemporaries(folderOf(task.output));
            removeStaleTemporaries(folderOf(task.dataFolder));
        }
    }

    JobSettings settings;
    settings.mode = plan.mode;
    settings.outputDir = command.outputDir;
    settings.overwrite = command.overwrite;
    settings.pictures = !command.noPictures;
    settings.params = params;
    settings.read = readOptionsFor(command);
    settings.pixelSize = command.pixelSize;
    settings.options = recordedOptions(command);
    int jobs = 1;
    chooseConcurrency(command, plan.tasks.size(), jobs, settings.threads);
    Batch batch(command, plan, std::move(settings), messages);
    return batch.run(jobs);
}

}  // namespace kestrano

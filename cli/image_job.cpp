#include "cli/image_job.h"

#include <chrono>
#include <ctime>
#include <exception>
#include <filesystem>
#include <map>
#include <new>
#include <sstream>
#include <system_error>
#include <utility>

#include "cli/image_results.h"
#include "cli/result_names.h"
#include "cli/run_warnings.h"
#include "cli/sha256.h"
#include "cli/staged_files.h"
#include "core/kestrano.h"
#include "imageio/read_budget.h"
#include "output/segment_summary.h"
#include "output/segment_table.h"
#include "pipeline/memory_estimate.h"

#ifndef KESTRANO_VERSION
#define KESTRANO_VERSION "unknown"
#endif

namespace kestrano {

namespace fs = std::filesystem;

namespace {

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string folderOf(const std::string& path)
{
    const std::string parent = fs::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

class Job {
public:
    Job(const ImageTask& task, const JobSettings& settings) : task_(task), settings_(settings) {}

    JobResult take() { return std::move(result_); }

    void run()
    {
        startRecord();
        stage();
        if (!task_.error.empty())
            return fail(JobStatus::NotRead, task_.error);
        if (!read())
            return;
        std::ostringstream log;
        RunResult run;
        try {
            RunOptions options;
            options.log = &log;
            options.threads = settings_.threads;
            run = kestrano::run(image_.pixels.data(), image_.rows, image_.cols, settings_.params, options);
        } catch (const std::bad_alloc&) {
            result_.lines = log.str();
            return fail(JobStatus::RunFailed, task_.input + ": not enough memory for the run on " +
                                                  std::to_string(image_.cols) + " x " + std::to_string(image_.rows) +
                                                  " pixels; use fewer --jobs or a smaller image");
        } catch (const std::exception& error) {
            result_.lines = log.str();
            return fail(JobStatus::RunFailed, task_.input + ": the run failed: " + error.what());
        } catch (...) {
            result_.lines = log.str();
            return fail(JobStatus::RunFailed, task_.input + ": the run failed with an unknown exception");
        }
        result_.lines = log.str();
        // The input stays for overlay.png; the image written is the painted one.
        input_ = std::exchange(image_.pixels, std::move(run.image));
        writeResults(run);
    }

    void fail(JobStatus status, const std::string& message)
    {
        result_.status = status;
        result_.messages.push_back("error: " + message);
        result_.placements.clear();
        if (settings_.mode != OutputMode::ResultsFolder || status == JobStatus::NotWritten)
            return;
        // The folder records why this input has no results.
        try {
            StagedFiles files(staging(0).path(), destination());
            if (!result_.lines.empty())
                files.addText("log.txt", result_.lines);
            record_["status"] = "failed";
            record_["message"] = message;
            finishRecord(files);
            result_.onlyIfAbsent = true;
        } catch (const std::exception& error) {
            result_.status = JobStatus::NotWritten;
            result_.messages.push_back("error: " + std::string(error.what()));
            result_.placements.clear();
            result_.record.reset();
        }
    }

private:
    std::string destination() const { return (fs::path(settings_.outputDir) / task_.folder).string(); }
    TemporaryFolder& staging(std::size_t i) { return *result_.staging.at(i); }

    void startRecord()
    {
        record_["program"] = "kestrano";
        record_["version"] = KESTRANO_VERSION;
        record_["created_utc"] = utcNow();
        record_["status"] = "ok";
        record_["message"] = "";
        record_["warnings"] = Json::array();
        record_["input"] = {{"path", task_.input}, {"page", task_.page + 1}, {"pages", task_.pageCount}};
        record_["options"] = settings_.options;
    }

    // The temporary folders are made before the run, so that an output folder
    // that cannot be written is reported before the pipeline spends its time.
    void stage()
    {
        switch (settings_.mode) {
        case OutputMode::ResultsFolder:
            result_.staging.push_back(std::make_unique<TemporaryFolder>(settings_.outputDir));
            break;
        case OutputMode::SingleImage:
            result_.staging.push_back(std::make_unique<TemporaryFolder>(folderOf(task_.output)));
            [[fallthrough]];
        case OutputMode::DataOnly:
            if (settings_.params.count("dl") != 0) {
                const std::string base = folderOf(task_.dataFolder);
                std::error_code error;
                fs::create_directories(base, error);
                if (error)
                    throw WriteError("cannot create the data folder " + base + " (" + error.message() + ")");
                result_.staging.push_back(std::make_unique<TemporaryFolder>(base));
            }
            break;
        }
    }

    bool read()
    {
        std::vector<std::string> warnings;
        ReadOptions options = settings_.read;
        options.page = task_.page;
        try {
            image_ = readGreyImage(task_.input, warnings, options);
        } catch (const ImageFileError& error) {
            fail(JobStatus::NotRead, error.what());
            return false;
        } catch (const std::bad_alloc&) {
            fail(JobStatus::NotRead, task_.input + ": not enough memory to read it; see --max-memory");
            return false;
        } catch (const std::exception& error) {
            fail(JobStatus::NotRead, task_.input + ": cannot read (" + error.what() + ")");
            return false;
        }
        for (const std::string& warning : warnings)
            warn(warning);
        // An image that reads fine can still need more for the run than the
        // budget allows: refuse it now, saying how much, rather than fail later.
        const std::uint64_t need =
            estimatedRunBytes(image_.rows, image_.cols, settings_.params, settings_.threads);
        if (need > settings_.read.limits.maxBytes) {
            fail(JobStatus::NotRead, task_.input + ": image too large: the run on " + std::to_string(image_.cols) +
                                         " x " + std::to_string(image_.rows) + " pixels needs up to " +
                                         groupedDigits(need) + " bytes; the memory limit is " +
                                         groupedDigits(settings_.read.limits.maxBytes) +
                                         " bytes (raise it with --max-memory)");
            return false;
        }
        return true;
    }

    void warn(const std::string& text)
    {
        result_.messages.push_back("warning: " + text);
        record_["warnings"].push_back(text);
    }

    void writeResults(const RunResult& run)
    {
        const PixelScale scale = settings_.pixelSize ? *settings_.pixelSize
                                 : image_.pixelScale ? *image_.pixelScale
                                                     : PixelScale{};
        const std::vector<SegmentRow> rows = run.stages.lineDetection
                                                 ? segmentRows(run.lines, run.rows, run.cols, scale)
                                                 : std::vector<SegmentRow>{};
        for (const std::string& warning : runWarnings(run, rows))
            warn(task_.input + ": " + warning);
        if (settings_.mode == OutputMode::ResultsFolder)
            writeResultsFolder(run, rows, scale);
        else
            writeFlat(run);
    }

    void writeFlat(const RunResult& run)
    {
        std::size_t next = 0;
        if (settings_.mode == OutputMode::SingleImage) {
            const std::string name = fs::path(task_.output).filename().string();
            StagedFiles files(staging(next).path(), folderOf(task_.output));
            // -o keeps the bytes it always wrote: the input's resolution tags
            // go only into the results folder's painted image.
            GreyImage plain = image_;
            plain.resolution.reset();
            files.addImage(name, plain);
            result_.placements.push_back({staging(next) / name, task_.output, Placement::Existing::ReplaceFile, {}, ""});
            ++next;
        }
        if (run.stages.lineDetection) {
            StagedFiles files(staging(next).path(), folderOf(task_.dataFolder));
            for (const auto& [name, text] : dataFileTexts(run))
                files.addText("data/" + name, text);
            result_.placements.push_back({staging(next) / "data", task_.dataFolder,
                                          Placement::Existing::ReplaceOurFolder, dataFileNames(), ""});
        }
    }

    void writeResultsFolder(const RunResult& run, const std::vector<SegmentRow>& rows, const PixelScale& scale)
    {
        Json& input = record_["input"];
        input["width"] = image_.cols;
        input["height"] = image_.rows;
        input["bits_per_sample"] = image_.bitsPerSample;
        input["sample_format"] = image_.sampleFormat;
        input["rescaled_from"] = image_.rescaledFrom
                                     ? Json{{"min", image_.rescaledFrom->first}, {"max", image_.rescaledFrom->second}}
                                     : Json();
        std::map<std::string, std::string> sorted(run.parameters.begin(), run.parameters.end());
        record_["parameters"] = sorted;
        record_["stages"] = {{"smoothing", run.stages.smoothing},
                             {"gradient", run.stages.gradient},
                             {"thresholding", run.stages.thresholding},
                             {"line_detection", run.stages.lineDetection}};
        record_["pixel_size"] = {{"x", scale.x}, {"y", scale.y}, {"unit", scale.unit},
                                 {"source", scale.known() ? scale.source : "none"}};
        record_["contrast"] = {{"low", run.contrast.low}, {"high", run.contrast.high}};
        const DetectionCounts& seen = run.detection;
        record_["counts"] = {{"regions_labelled", seen.labelled}, {"regions_too_large", seen.tooLarge},
                             {"regions_kept", seen.kept},         {"regions_visited", seen.visited},
                             {"candidates", seen.candidates},     {"segments", rows.size()}};
        const SegmentSummary summary = summarise(rows);
        record_["summary"] = {{"segments", summary.segments},
                              {"total_length", summary.totalLength},
                              {"mean_length", summary.meanLength},
                              {"median_length", summary.medianLength},
                              {"mean_angle_deg", summary.meanAngleDeg},
                              {"alignment", summary.alignment},
                              {"border_segments", summary.borderSegments}};
        std::string message;
        for (const Json& warning : record_["warnings"])
            message += (message.empty() ? "" : "; ") + warning.get<std::string>();
        record_["message"] = message;

        StagedFiles files(staging(0).path(), destination());
        const std::string thumbnail = writeImageResults(
            files, {image_, run, rows, scale, result_.lines, task_.format, input_.data(), settings_.threads,
                       settings_.pictures});
        finishRecord(files);
        result_.record->thumbnail = thumbnail;
    }

    // run.json last: it lists every other output with its digest.
    void finishRecord(StagedFiles& files)
    {
        try {
            record_["input"]["sha256"] = sha256OfFile(task_.input);
        } catch (const std::exception&) {
            record_["input"]["sha256"] = nullptr;
        }
        record_["seconds"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        Json outputs = Json::array();
        for (const OutputEntry& output : files.outputs())
            outputs.push_back({{"path", output.path}, {"sha256", output.sha256}});
        record_["outputs"] = outputs;
        const std::string text = runJsonText(record_);
        files.addText("run.json", text);
        result_.record = FolderRecord{task_.folder, parseRunJson(text, "run.json"), ""};
        result_.placements.push_back({staging(0).path(), destination(),
                                      settings_.overwrite ? Placement::Existing::ReplaceOurFolder
                                                          : Placement::Existing::Refuse,
                                      resultFolderNames(destination()),
                                      "use --overwrite to replace earlier results"});
    }

    const ImageTask& task_;
    const JobSettings& settings_;
    JobResult result_;
    Json record_ = Json::object();
    GreyImage image_;
    std::vector<std::uint16_t> input_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

JobResult runImageJob(const ImageTask& task, const JobSettings& settings)
{
    Job job(task, settings);
    try {
        job.run();
    } catch (const WriteError& error) {
        job.fail(JobStatus::NotWritten, error.what());
    } catch (const std::bad_alloc&) {
        job.fail(JobStatus::NotWritten, task.input + ": not enough memory to write the results");
    } catch (const std::exception& error) {
        job.fail(JobStatus::NotWritten, task.input + ": " + error.what());
    }
    return job.take();
}

}  // namespace kestrano

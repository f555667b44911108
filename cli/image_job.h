#pragma once
// One image (or one page of a stack) from its file to staged results: read,
// run the pipeline with its lines kept apart, write every result into
// temporary folders next to where they will live. Publishing is left to the
// caller, which does it in input order. Any failure stays this image's.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_plan.h"
#include "cli/publish.h"
#include "cli/run_record.h"
#include "cli/temporary_folder.h"
#include "core/param_list.h"
#include "core/pixel_scale.h"
#include "imageio/image_file.h"

namespace kestrano {

struct JobSettings {
    OutputMode mode = OutputMode::DataOnly;
    std::string outputDir;
    bool overwrite = false;               // --out-dir: earlier results may be replaced
    bool pictures = true;                 // --out-dir: overlay.png and the plots
    ParamList params;
    int threads = 0;
    ReadOptions read;
    std::optional<PixelScale> pixelSize;  // --pixel-size; else the image's own
    Json options;                         // recorded in run.json for --params
};

enum class JobStatus { Done, NotRead, NotWritten, RunFailed };

struct JobResult {
    JobStatus status = JobStatus::Done;
    std::string lines;                  // the pipeline's lines
    std::vector<std::string> messages;  // "warning: ..." / "error: ..." for standard error
    std::vector<std::unique_ptr<TemporaryFolder>> staging;
    std::vector<Placement> placements;  // empty when nothing is to be published
    bool onlyIfAbsent = false;          // a failure's record never replaces earlier results
    std::optional<FolderRecord> record; // --out-dir: the image's run.json
};

JobResult runImageJob(const ImageTask& task, const JobSettings& settings);

}  // namespace kestrano

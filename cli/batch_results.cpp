#include "cli/batch_results.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "cli/publish.h"
#include "cli/temporary_folder.h"
#include "render/report_html.h"

namespace kestrano {

namespace fs = std::filesystem;

void writeBatchResults(StagedFiles& files, const std::string& dir, const std::vector<FolderRecord>& records)
{
    files.addText("summary.csv", summaryCsv(records));
    std::vector<ReportImage> images;
    for (const FolderRecord& entry : records)
        images.push_back({entry.folder, entry.record, entry.thumbnail});
    files.addText("report.html", reportHtml(dir, images));
}

void publishBatchResults(const std::string& dir, const std::vector<FolderRecord>& records, bool replace)
{
    TemporaryFolder staging(dir);
    StagedFiles files(staging.path(), dir);
    writeBatchResults(files, dir, records);
    std::vector<Placement> placements;
    for (const OutputEntry& output : files.outputs())
        placements.push_back({staging / output.path, (fs::path(dir) / output.path).string(),
                              replace ? Placement::Existing::ReplaceFile : Placement::Existing::Refuse, {},
                              "use --overwrite to replace earlier results"});
    publish(placements);
}

int summaryCommand(const std::string& dir, std::ostream& messages)
{
    std::error_code error;
    if (!fs::is_directory(dir, error)) {
        messages << "kestrano: error: " << dir << " is not a results folder" << std::endl;
        return 2;
    }
    int status = 0;
    std::vector<FolderRecord> records;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const fs::path recordPath = it->path() / "run.json";
        if (name.empty() || name[0] == '.' || !fs::is_regular_file(recordPath))
            continue;
        std::ifstream file(recordPath, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        try {
            records.push_back({name, parseRunJson(text.str(), recordPath.string()), ""});
        } catch (const std::exception& problem) {
            messages << "kestrano: error: " << problem.what() << std::endl;
            status = 2;
        }
    }
    if (error) {
        messages << "kestrano: error: cannot list " << dir << " (" << error.message() << ")" << std::endl;
        return 2;
    }
    try {
        removeStaleTemporaries(dir);
        publishBatchResults(dir, records, true);
    } catch (const std::exception& problem) {
        messages << "kestrano: error: " << problem.what() << std::endl;
        return 2;
    }
    return status;
}

}  // namespace kestrano

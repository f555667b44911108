#pragma once
// The files of a results folder that cover the whole batch (summary.csv), and
// "kestrano summary DIR", which rewrites them from the images' run.json files.
// Another batch file (a report) is one more call in writeBatchResults.
#include <ostream>
#include <string>
#include <vector>

#include "cli/run_record.h"
#include "cli/staged_files.h"

namespace kestrano {

// `dir` is the results folder, whose image folders report.html shows.
void writeBatchResults(StagedFiles& files, const std::string& dir, const std::vector<FolderRecord>& records);

// Stages the batch files in a temporary folder inside `dir` and moves them into
// place; `replace` allows replacing earlier ones. Throws WriteError.
void publishBatchResults(const std::string& dir, const std::vector<FolderRecord>& records, bool replace);

// Reads every DIR/<name>/run.json and rewrites DIR/summary.csv. Returns the
// exit status: 0, or 2 when a record could not be read or the file written.
int summaryCommand(const std::string& dir, std::ostream& messages);

}  // namespace kestrano

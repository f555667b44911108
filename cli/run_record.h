#pragma once
// run.json: what one image's run was (program, input and its digest, the
// parameter list as the pipeline received it, pixel size, counts, outputs and
// their digests), and the row of summary.csv made from it. The batch table
// and "kestrano summary" both build their rows from these records, so they
// write the same bytes.
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace kestrano {

using Json = nlohmann::ordered_json;

// One image's record with its folder name inside the results folder.
struct FolderRecord {
    std::string folder;
    Json record;
    std::string thumbnail;  // report.html's overlay thumbnail when this run drew it
};

std::string summaryHeader();

// summary.csv: the header, then one row per record in byte order of the
// folder names (which are unique inside one results folder).
std::string summaryCsv(std::vector<FolderRecord> records);

// The text of run.json: two-space indent, ending in a line feed.
std::string runJsonText(const Json& record);

// Parses run.json text; throws std::runtime_error naming `source` when it is
// not a record of ours.
Json parseRunJson(const std::string& text, const std::string& source);

}  // namespace kestrano

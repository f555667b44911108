#include "cli/run_record.h"

#include <algorithm>
#include <stdexcept>

#include "cli/csv_text.h"

namespace kestrano {

namespace {

// A field of the record as CSV text: numbers in their shortest form, a missing
// or null field as an empty one.
std::string field(const Json& object, const char* key)
{
    if (!object.is_object() || !object.contains(key))
        return "";
    const Json& value = object.at(key);
    if (value.is_number_integer())
        return formatNumber(value.get<std::int64_t>());
    if (value.is_number())
        return formatNumber(value.get<double>());
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_boolean())
        return value.get<bool>() ? "true" : "false";
    return "";
}

std::string pixelSizeField(const Json& record)
{
    if (!record.contains("pixel_size"))
        return "";
    const Json& size = record.at("pixel_size");
    const std::string x = field(size, "x"), y = field(size, "y");
    return x == y ? x : x + "x" + y;
}

std::string summaryRow(const Json& record)
{
    const Json none = Json::object();
    const Json& input = record.contains("input") ? record.at("input") : none;
    const Json& summary = record.contains("summary") ? record.at("summary") : none;
    const Json& size = record.contains("pixel_size") ? record.at("pixel_size") : none;
    return csvLine({field(input, "path"), field(input, "page"), field(input, "width"), field(input, "height"),
                    pixelSizeField(record), field(size, "unit"), field(summary, "segments"),
                    field(summary, "total_length"), field(summary, "mean_length"), field(summary, "median_length"),
                    field(summary, "mean_angle_deg"), field(summary, "alignment"),
                    field(summary, "border_segments"), field(record, "status"), field(record, "message"),
                    field(record, "seconds")});
}

}  // namespace

std::string summaryHeader()
{
    return "file,page,width,height,pixel_size,unit,segments,total_length,mean_length,median_length,"
           "mean_angle_deg,alignment,border_segments,status,message,seconds\n";
}

std::string summaryCsv(std::vector<FolderRecord> records)
{
    std::sort(records.begin(), records.end(),
              [](const FolderRecord& a, const FolderRecord& b) { return a.folder < b.folder; });
    std::string text = summaryHeader();
    for (const FolderRecord& entry : records)
        text += summaryRow(entry.record);
    return text;
}

std::string runJsonText(const Json& record)
{
    // File names are bytes, not always UTF-8: invalid sequences become U+FFFD
    // rather than an exception.
    return record.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Json parseRunJson(const std::string& text, const std::string& source)
{
    Json record = Json::parse(text, nullptr, false);
    if (record.is_discarded() || !record.is_object() || !record.contains("status") || !record.contains("input"))
        throw std::runtime_error(source + ": not a run.json written by kestrano");
    return record;
}

}  // namespace kestrano

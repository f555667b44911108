#include "cli/csv_text.h"

#include <charconv>
#include <cmath>

namespace kestrano {

std::string formatNumber(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf";
    if (value == 0.0)
        value = 0.0;  // no "-0"
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string formatNumber(std::int64_t value)
{
    return std::to_string(value);
}

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csvLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += csvField(fields[i]);
    }
    return line + "\n";
}

}  // namespace kestrano

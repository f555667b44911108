#include "cli/option_values.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "cli/command_line.h"

namespace kestrano {

namespace {

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool wholeNumber(const std::string& text, std::int64_t& value)
{
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    return !text.empty() && parsed.ec == std::errc() && parsed.ptr == end;
}

}  // namespace

PixelScale parsePixelSize(const std::string& text)
{
    std::size_t numberEnd = 0;
    while (numberEnd < text.size() && (std::isdigit(static_cast<unsigned char>(text[numberEnd])) ||
                                       text[numberEnd] == '.' || text[numberEnd] == 'e' ||
                                       text[numberEnd] == 'E' || text[numberEnd] == '-' || text[numberEnd] == '+'))
        ++numberEnd;
    const std::string number = text.substr(0, numberEnd);
    const std::string unit = trimmed(text.substr(numberEnd));
    double value = 0.0;
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
    const bool numberOk = !number.empty() && parsed.ec == std::errc() && parsed.ptr == number.data() + number.size();
    PixelScale scale;
    if (unit.empty() || unit == "um" || unit == "\xC2\xB5m" || unit == "\xCE\xBCm")
        scale.unit = "um";
    else if (unit == "nm" || unit == "mm")
        scale.unit = unit;
    else
        throw UsageError("--pixel-size needs a number and a unit (nm, um or mm), e.g. 0.325um; got \"" + text + "\"");
    if (!numberOk || !std::isfinite(value) || value <= 0.0)
        throw UsageError("--pixel-size needs a positive number, e.g. 0.325um; got \"" + text + "\"");
    scale.x = scale.y = value;
    scale.source = "command line";
    return scale;
}

std::uint64_t parseMemorySize(const std::string& option, const std::string& text)
{
    std::string digits = text;
    std::uint64_t factor = 1;
    if (!digits.empty()) {
        switch (std::toupper(static_cast<unsigned char>(digits.back()))) {
        case 'K': factor = 1ull << 10; break;
        case 'M': factor = 1ull << 20; break;
        case 'G': factor = 1ull << 30; break;
        case 'T': factor = 1ull << 40; break;
        default: break;
        }
        if (factor != 1)
            digits.pop_back();
    }
    std::int64_t value = 0;
    if (!wholeNumber(digits, value) || value < 1 ||
        static_cast<std::uint64_t>(value) > std::numeric_limits<std::uint64_t>::max() / factor)
        throw UsageError(option + " needs a size such as 4G, 512M or a number of bytes; got \"" + text + "\"");
    return static_cast<std::uint64_t>(value) * factor;
}

std::set<std::int32_t> parsePageList(const std::string& text)
{
    const auto bad = [&] {
        return UsageError("--pages needs page numbers from 1 such as 1,3-5; got \"" + text + "\"");
    };
    std::set<std::int32_t> pages;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string item = text.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        std::int64_t first = 0, last = 0;
        if (dash == std::string::npos) {
            if (!wholeNumber(item, first))
                throw bad();
            last = first;
        } else if (!wholeNumber(item.substr(0, dash), first) || !wholeNumber(item.substr(dash + 1), last)) {
            throw bad();
        }
        if (first < 1 || last < first || last > 1000000)
            throw bad();
        for (std::int64_t page = first; page <= last; ++page)
            pages.insert(static_cast<std::int32_t>(page));
        start = comma + 1;
    }
    return pages;
}

std::int64_t parseCount(const std::string& option, const std::string& text, std::int64_t least)
{
    std::int64_t value = 0;
    if (!wholeNumber(text, value) || value < least)
        throw UsageError(option + " needs a whole number of at least " + std::to_string(least) + "; got \"" +
                         text + "\"");
    return value;
}

}  // namespace kestrano

// libFuzzer entry for the whole pipeline: a small image and random parameter
// texts go through the parameter limits and, when those pass and the values
// keep the run short, through kestrano::run. Everything the pipeline may
// throw for bad parameters is an answer; anything else (a crash, a sanitizer
// report, an unexpected exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/kestrano.h"
#include "pipeline/parameter_limits.h"
#include "pipeline/stoi_conversion.h"

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    std::size_t left() const { return size_ - at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Either a text of the fuzzer's own (up to 11 characters) or a number
// chosen from a small range around the usual values.
std::string valueText(Bytes& bytes)
{
    const std::uint8_t kind = bytes.next();
    if (kind < 32) {
        std::string text;
        const std::size_t length = kind % 12;
        for (std::size_t i = 0; i < length; ++i)
            text += static_cast<char>(bytes.next());
        return text;
    }
    const int magnitude = (bytes.next() << 8 | bytes.next()) % 600;
    return std::to_string(kind < 48 ? -magnitude : magnitude);
}

// Converted like the pipeline converts it, or 0 when it does not convert.
std::int64_t converted(const kestrano::ParamList& params, const char* name)
{
    const auto entry = params.find(name);
    if (entry == params.end())
        return 0;
    try {
        return kestrano::stoiArgument(entry->second);
    } catch (const std::exception&) {
        return 0;
    }
}

// Runs that are valid but would take seconds on 48 x 48 pixels are skipped.
bool shortEnough(const kestrano::ParamList& params)
{
    return converted(params, "nIts") <= 64 && converted(params, "w") <= 24 && converted(params, "nAng") <= 2048 &&
           converted(params, "nBins") <= 100000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Bytes bytes(data, size);
    const std::int32_t rows = 1 + bytes.next() % 48;
    const std::int32_t cols = 1 + bytes.next() % 48;
    static const char* const names[] = {"nAng", "lLine", "lMinLine", "speed", "minSize", "maxSize",
                                        "nBins", "tipoOutput", "nIts", "s", "w", "th", "dl"};
    kestrano::ParamList params;
    const std::uint16_t present = static_cast<std::uint16_t>(bytes.next() << 8 | bytes.next());
    for (std::size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if ((present >> i) & 1)
            params[names[i]] = valueText(bytes);
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    for (std::uint16_t& pixel : pixels)
        pixel = bytes.left() >= 2 ? static_cast<std::uint16_t>(bytes.next() << 8 | bytes.next()) : 0;

    try {
        kestrano::checkParameterLimits(params);
    } catch (const std::invalid_argument&) {
        return 0;
    }
    if (!shortEnough(params))
        return 0;
    kestrano::RunOptions options;
    options.threads = 1;
    try {
        const kestrano::RunResult result = kestrano::run(pixels.data(), rows, cols, params, options);
        if (result.image.size() != pixels.size())
            std::abort();
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    } catch (const std::overflow_error&) {
    }
    return 0;
}

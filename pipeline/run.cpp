#include <cstddef>
#include <ostream>
#include <streambuf>

#include "core/image_size.h"
#include "core/kestrano.h"
#include "pipeline/run_stages.h"

namespace kestrano {

namespace {

// Swallows everything: the log of a caller that wants none.
class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

RunResult run(const std::uint16_t* pixels, std::int32_t rows, std::int32_t cols,
              const ParamList& params, const RunOptions& options)
{
    RunResult result;
    result.rows = rows;
    result.cols = cols;
    result.parameters = params;
    const std::size_t n = rows > 0 && cols > 0 ? static_cast<std::size_t>(rows) * cols : 0;
    result.image.assign(pixels, pixels + n);

    NullBuffer discard;
    std::ostream silent(&discard);
    std::ostream& log = options.log != nullptr ? *options.log : silent;
    ImageSize size{rows, cols};
    ParamList working = params;
    // The caller's pixels stay untouched: they serve as the painting's starting image.
    runStages(result.image.data(), size, working, log, options, result, n > 0 ? pixels : nullptr);
    return result;
}

}  // namespace kestrano

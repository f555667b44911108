// JPEG through libjpeg (8-bit grey or colour; colour is converted to grey like
// the other formats). libjpeg reports errors by longjmp, so every call into it
// happens in small functions that hold no C++ objects. A file that ends early
// is refused rather than padded with grey, and a progressive file may have at
// most maxScans scans: both are how small files make a decoder work for long.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstring>
#include <new>

#include "imageio/colour_to_grey.h"
#include "imageio/image_codecs.h"

namespace kestrano {

namespace {

constexpr int maxScans = 500;
constexpr std::uint64_t libjpegState = 64 * 1024;

struct JpegState {
    jpeg_error_mgr manager;           // first: libjpeg hands back a pointer to it
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX] = {};
    std::vector<std::string>* warnings = nullptr;
};

JpegState* stateOf(j_common_ptr info)
{
    return reinterpret_cast<JpegState*>(info->err);
}

[[noreturn]] void recordErrorAndJump(j_common_ptr info)
{
    JpegState* state = stateOf(info);
    info->err->format_message(info, state->text);
    std::longjmp(state->jump, 1);
}

// Warnings go to the caller's list, except the end of the data, which is an error.
void recordMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;  // trace output
    JpegState* state = stateOf(info);
    if (info->err->msg_code == JWRN_JPEG_EOF)
        recordErrorAndJump(info);
    info->err->num_warnings++;
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    if (state->warnings->size() < 20) {
        try {
            state->warnings->push_back(text);
        } catch (...) {  // never unwind through libjpeg
        }
    }
}

void ignoreOutput(j_common_ptr) {}

void limitScans(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > maxScans) {
        std::snprintf(stateOf(info)->text, sizeof stateOf(info)->text,
                      "more than %d progressive scans", maxScans);
        std::longjmp(stateOf(info)->jump, 1);
    }
}

bool create(jpeg_decompress_struct* info, JpegState* state)
{
    if (setjmp(state->jump))
        return false;
    jpeg_create_decompress(info);
    return true;
}

bool readHeader(jpeg_decompress_struct* info, JpegState* state, std::FILE* file)
{
    if (setjmp(state->jump))
        return false;
    jpeg_stdio_src(info, file);
    jpeg_read_header(info, TRUE);
    return true;
}

bool start(jpeg_decompress_struct* info, JpegState* state, long maxMemory)
{
    if (setjmp(state->jump))
        return false;
    info->mem->max_memory_to_use = maxMemory;
    jpeg_start_decompress(info);
    return true;
}

bool readRow(jpeg_decompress_struct* info, JpegState* state, JSAMPROW row)
{
    if (setjmp(state->jump))
        return false;
    return jpeg_read_scanlines(info, &row, 1) == 1;
}

bool finish(jpeg_decompress_struct* info, JpegState* state)
{
    if (setjmp(state->jump))
        return false;
    jpeg_finish_decompress(info);
    return true;
}

// The decompressor and its error state, released on every path.
class JpegReader {
public:
    explicit JpegReader(std::vector<std::string>* warnings)
    {
        info_.err = jpeg_std_error(&state_.manager);
        state_.manager.error_exit = recordErrorAndJump;
        state_.manager.emit_message = recordMessage;
        state_.manager.output_message = ignoreOutput;
        state_.warnings = warnings;
        if (!create(&info_, &state_))
            throw std::bad_alloc();
        created_ = true;
        state_.progress.progress_monitor = limitScans;
        info_.progress = &state_.progress;
    }
    ~JpegReader()
    {
        if (created_)
            jpeg_destroy_decompress(&info_);
    }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    jpeg_decompress_struct* info() { return &info_; }
    JpegState* state() { return &state_; }
    const char* message() const { return state_.text; }
    bool outOfBudget() const { return state_.manager.msg_code == JERR_NO_BACKING_STORE; }

private:
    JpegState state_;
    jpeg_decompress_struct info_ {};
    bool created_ = false;
};

}  // namespace

GreyImage readJpeg(ReadRequest& request)
{
    const std::string& path = request.path();
    ReadBudget& budget = request.budget;
    std::vector<std::string> libjpegWarnings;
    budget.reserve(libjpegState, "the JPEG decoder");  // its pools, counted by libjpeg below too
    JpegReader reader(&libjpegWarnings);
    jpeg_decompress_struct* info = reader.info();
    auto fail = [&](const char* what) {
        if (reader.outOfBudget())
            budget.failExhausted("decoding the JPEG");
        throw ImageFileError(path + ": " + what + " (" + reader.message() + ")");
    };
    if (!readHeader(info, reader.state(), request.file.stream()))
        fail("corrupt, truncated or unsupported JPEG file");

    const std::uint64_t width = info->image_width, height = info->image_height;
    // Huffman coding spends at least one bit on every 8 x 8 block; arithmetic coding may spend less.
    budget.checkPixels(width, height);
    const std::uint64_t count = width * height;
    const std::uint64_t blocks = ((width + 7) / 8) * ((height + 7) / 8);
    if (!info->arith_code)
        budget.checkAgainstFile((blocks + 7) / 8, request.file.size(), 1,
                                "compressed data (one bit per 8 x 8 block at least)");
    bool colour = false;
    switch (info->jpeg_color_space) {
    case JCS_GRAYSCALE:
        info->out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        info->out_color_space = JCS_RGB;
        colour = true;
        break;
    default:
        throw ImageFileError(path + ": unsupported JPEG colour model (CMYK or YCCK; grey and RGB are read)");
    }
    budget.reserve(2 * count, "the pixels");
    const std::uint64_t rowBytes = width * (colour ? 3 : 1);
    budget.reserve(rowBytes, "a row");
    // A progressive file keeps every coefficient of every component until the
    // end: checked here for a clear message, then left to libjpeg, which
    // allocates them within what is left.
    if (info->progressive_mode) {
        const std::uint64_t coefficients = blocks * 128 * static_cast<std::uint64_t>(info->num_components);
        budget.reserve(coefficients, "the progressive coefficients");
        budget.release(coefficients);
    }
    // libjpeg counts its pools and whole-image buffers (progressive and
    // multi-scan files) against this; asking for more fails as "backing store
    // not supported".
    const std::uint64_t left = budget.remaining() + libjpegState;
    if (!start(info, reader.state(), static_cast<long>(std::min<std::uint64_t>(left, LONG_MAX))))
        fail("corrupt, truncated or unsupported JPEG file");

    GreyImage image;
    image.rows = static_cast<std::int32_t>(height);
    image.cols = static_cast<std::int32_t>(width);
    image.bitsPerSample = 8;
    image.pixels.resize(static_cast<std::size_t>(count));
    std::vector<JSAMPLE> row(static_cast<std::size_t>(rowBytes));
    std::uint16_t* out = image.pixels.data();
    for (std::uint64_t r = 0; r < height; ++r) {
        if (!readRow(info, reader.state(), row.data()))
            fail("corrupt, truncated or unsupported JPEG file");
        for (std::size_t c = 0; c < width; ++c)
            *out++ = colour ? weightedGrey(row[3 * c], row[3 * c + 1], row[3 * c + 2]) : row[c];
    }
    if (!finish(info, reader.state()))
        fail("corrupt, truncated or unsupported JPEG file");
    if (colour)
        request.warnings.push_back(colourWarning(path, false));
    for (const std::string& warning : libjpegWarnings)
        request.warnings.push_back(path + ": JPEG warning: " + warning);
    return image;
}

}  // namespace kestrano
